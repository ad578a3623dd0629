#include "launcher/core/LauncherApp.h"

#include <cstdio>
#include <utility>

#include "common/MainClientContract.h"
#include "launcher/core/ClientHandOver.h"
#include "launcher/core/PackageSearch.h"
#include "platform/ipc/RuntimeFolder.h"

namespace ovix::launcher {

using platform::CNamedEvent;
using platform::CNamedMutex;

CLauncherApp::CLauncherApp(std::string programFolder, StartProgramFunction start,
                           int mainClientWaitMs)
    : programFolder_(std::move(programFolder)),
      starter_(programFolder_, std::move(start), mainClientWaitMs) {}

bool CLauncherApp::InitInstance() {
    // Without a usable runtime folder no named object can exist, so a second launcher, a
    // running main client or an updater replacing this program could not be seen: starting
    // anything then could run programs twice. Without the program folder the program paths
    // would point at the file system root. Both stop the start-up before anything is done.
    if (platform::RuntimeFolder().empty() || programFolder_.empty()) {
        exitCode_ = 1;
        return false;
    }

    instanceMutex_ = CNamedMutex::Create(contract::kLauncherInstanceMutex);
    if (instanceMutex_.AlreadyExisted()) {
        instanceMutex_.Close();
        return false;
    }
    runningMutex_ = CNamedMutex::Create(contract::kLauncherRunningMutex);
    replaceMutex_ = CNamedMutex::Create(contract::kLauncherReplaceMutex);
    if (replaceMutex_.AlreadyExisted()) {
        return false;  // the updater is replacing this program right now
    }

    if (CNamedEvent::Open(contract::kMainClientEvent).IsValid()) {
        // A main client runs: hand over, even with a package pending (it stays for later).
        ActivateRunningClient();
        return false;
    }
    clientEvent_ = CNamedEvent::Create(contract::kMainClientEvent);

    if (!CheckUpdatePackage(programFolder_)) {
        starter_.StartPrograms();
        return false;
    }
    RunUpdateWindow();
    instanceMutex_.Close();
    return false;
}

int CLauncherApp::RunUpdateWindow() {
    std::fprintf(stderr,
                 "Ovix: an update package waits in %s%.*s; this build has no update window, "
                 "so nothing is started and the package stays\n",
                 programFolder_.c_str(), static_cast<int>(contract::kUpdatePackagePath.size()),
                 contract::kUpdatePackagePath.data());
    return kUpdateWindowClosed;
}

}  // namespace ovix::launcher
