// The launcher's start-up: one launcher at a time, out of the updater's way while it replaces
// the launcher, hand-over to a running main client, and otherwise the start of the main
// client and the updater, or the update window when a package waits.
#pragma once

#include <string>

#include "launcher/core/ProgramStarter.h"
#include "platform/ipc/NamedEvent.h"
#include "platform/ipc/NamedMutex.h"

namespace ovix::launcher {

class CLauncherApp {
public:
    // Dialog result of an update window closed without installing (close button or Esc).
    static constexpr int kUpdateWindowClosed = 2;

    CLauncherApp(std::string programFolder, StartProgramFunction start,
                 int mainClientWaitMs = CProgramStarter::kMainClientWaitMs);
    virtual ~CLauncherApp() = default;
    CLauncherApp(const CLauncherApp&) = delete;
    CLauncherApp& operator=(const CLauncherApp&) = delete;

    // The whole start-up. Always false: the launcher ends when it returns. The named objects
    // it took stay held until this object goes away, which in the launcher is process exit.
    bool InitInstance();

    // 0, or 1 when the runtime folder was refused or the program folder is unknown and so
    // nothing was tried.
    int ExitCode() const { return exitCode_; }

protected:
    // The single place where the update window runs, modally, when a package waits. Returns
    // the window's dialog result. The window belongs to a later piece of work; until then
    // this reports on stderr that a package waits and returns kUpdateWindowClosed at once,
    // which is what closing the window does: nothing is started and the package stays for
    // the next start.
    virtual int RunUpdateWindow();

    CProgramStarter& Starter() { return starter_; }

private:
    std::string programFolder_;
    CProgramStarter starter_;
    int exitCode_ = 0;
    platform::CNamedMutex instanceMutex_;  // released when the update window has ended
    platform::CNamedMutex runningMutex_;   // tells the updater that a launcher runs
    platform::CNamedMutex replaceMutex_;
    platform::CNamedEvent clientEvent_;
};

}  // namespace ovix::launcher
