// Starting the main client and the updater from the program folder.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "platform/sys/ProgramStart.h"

namespace ovix::launcher {

// How a program is started; the platform's StartProgram in the launcher, a recorder in tests.
using StartProgramFunction =
    std::function<bool(const std::string& file, const std::string& workingFolder,
                       platform::ShowCommand show, platform::CProcessHandle* process)>;

class CProgramStarter {
public:
    static constexpr int kMainClientStartAttempts = 5;
    static constexpr int kMainClientWaitMs = 8000;

    CProgramStarter(std::string programFolder, StartProgramFunction start,
                    int mainClientWaitMs = kMainClientWaitMs);

    // No package pending: the main client (shown, working folder inherited), a wait of at
    // most the main-client wait on it, then the updater (hidden), whatever happened before.
    void StartPrograms();

    // After an installation: removes the package, starts the main client in the program
    // folder, calls `hideWindow` (the update window goes out of sight), waits on the main
    // client, then starts the updater (hidden).
    void FinishAndLaunch(const std::function<void()>& hideWindow);

private:
    // Up to kMainClientStartAttempts starts in a row, without pause; the handle of the one
    // that succeeded, or an invalid handle (which a wait passes at once).
    platform::CProcessHandle StartMainClient(const std::string& workingFolder);
    void StartUpdater();
    std::string ProgramFile(std::string_view baseName) const;

    std::string programFolder_;
    StartProgramFunction start_;
    int mainClientWaitMs_;
};

}  // namespace ovix::launcher
