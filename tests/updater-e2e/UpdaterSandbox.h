#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "tests/updater-e2e/ChildProcess.h"
#include "updater/update/tests/TempFolder.h"

namespace ovix::updater::e2e {

// A private world for whole updater runs: a program folder holding a copy of the built
// updater (a copy, since the program folder comes from the resolved program file), and
// runtime, settings and home folders of its own.
class CUpdaterSandbox {
public:
    CUpdaterSandbox();
    CUpdaterSandbox(const CUpdaterSandbox&) = delete;
    CUpdaterSandbox& operator=(const CUpdaterSandbox&) = delete;

    bool Ready() const { return m_ready; }
    const std::string& Root() const { return m_root; }
    std::string ProgramFolder() const { return m_root + "/program"; }
    std::string Desktop() const { return m_root + "/home/Desktop"; }
    std::string PackagePath() const { return ProgramFolder() + "/Download/update.ovix"; }
    std::string LocalControl() const { return ProgramFolder() + "/conupdate.cfg"; }
    std::string LauncherPath() const { return ProgramFolder() + "/Ovix"; }

    // The environment every program of the sandbox runs with; no display unless asked.
    std::vector<std::string> Environment(const std::string& updateUrl, bool display = false) const;

    // Starts the updater; Wait() on the result gives its exit code.
    std::unique_ptr<CChildProcess> StartUpdater(const std::string& updateUrl,
                                                const std::string& stderrFile = {},
                                                bool display = false) const;

    // Another process that holds a named mutex until it is dropped. Null when it could not
    // take it within a few seconds.
    std::unique_ptr<CChildProcess> HoldMutex(const std::string& name) const;
    // The stand-in main client, logging what it receives into `logFile`, its window up.
    std::unique_ptr<CChildProcess> StartMainClient(const std::string& logFile) const;
    // The messages the main client logged, up to a marker message posted now: everything
    // posted before the marker is in the log by the time the marker is.
    std::vector<std::string> MainClientMessages(const std::string& logFile) const;

    // Whether a named mutex exists right now in the sandbox's runtime folder.
    bool MutexExists(const std::string& name) const;

private:
    testing::CTempFolder m_folder;
    std::string m_root;
    bool m_ready = false;
};

// A local control file as the installation writes it.
std::string ControlFile(int patch, int launcher);
using testing::ReadFile;
using testing::WriteFile;

inline constexpr auto kRunTimeout = std::chrono::seconds(30);

}  // namespace ovix::updater::e2e
