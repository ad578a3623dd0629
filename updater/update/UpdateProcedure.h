// One update check: the server's control file, the package for the installed patch level,
// the launcher program when the server names another version, and the message to the main
// client. Everything outside the program folder goes through IUpdateEnvironment.
#pragma once

#include <chrono>
#include <string>

#include "updater/update/UpdateEnvironment.h"
#include "updater/update/UpdatePaths.h"

namespace ovix::updater {

// How long the launcher may keep running before its program file is left alone this time.
struct LauncherWait {
    int tries = 90;
    std::chrono::milliseconds interval{1000};
};

class CUpdateProcedure {
public:
    // `serverUrl` is the update server's base URL without a trailing "/".
    CUpdateProcedure(const std::string& programFolder, std::string serverUrl,
                     IUpdateEnvironment& environment, LauncherWait wait = {});

    void RunUpdate();

    // Waits until no launcher runs; false when one still ran after every try.
    bool WaitForLauncherExit();

    // What the last RunUpdate did, for the caller's and the tests' sake.
    bool PackageDownloaded() const { return m_packageDownloaded; }

private:
    enum class Step { kGoOn, kEnd };

    // Runs one job; kEnd when its thread could not start or the disk was too full (the
    // disk-space message is then already shown).
    Step RunJob(std::string_view resource, const std::string& path, JobOutcome& outcome);
    Step ReplaceLauncher(int serverLauncherVersion);

    UpdatePaths m_paths;
    std::string m_serverUrl;
    IUpdateEnvironment& m_environment;
    LauncherWait m_wait;
    bool m_packageDownloaded = false;
};

}  // namespace ovix::updater
