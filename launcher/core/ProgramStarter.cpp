#include "launcher/core/ProgramStarter.h"

#include <unistd.h>

#include <utility>

#include "common/MainClientContract.h"

namespace ovix::launcher {

using platform::CProcessHandle;
using platform::ShowCommand;

CProgramStarter::CProgramStarter(std::string programFolder, StartProgramFunction start,
                                 int mainClientWaitMs)
    : programFolder_(std::move(programFolder)),
      start_(std::move(start)),
      mainClientWaitMs_(mainClientWaitMs) {}

std::string CProgramStarter::ProgramFile(std::string_view baseName) const {
    return programFolder_ + "/" + contract::ProgramFileName(baseName);
}

CProcessHandle CProgramStarter::StartMainClient(const std::string& workingFolder) {
    const std::string file = ProgramFile(contract::kMainClientProgram);
    for (int attempt = 0; attempt < kMainClientStartAttempts; ++attempt) {
        CProcessHandle process;
        if (start_(file, workingFolder, ShowCommand::kShow, &process)) {
            return process;
        }
    }
    return CProcessHandle();
}

void CProgramStarter::StartUpdater() {
    // Not waited on: the handle is dropped at once and the updater runs on its own.
    CProcessHandle process;
    start_(ProgramFile(contract::kUpdaterProgram), "", ShowCommand::kHide, &process);
}

void CProgramStarter::StartPrograms() {
    CProcessHandle mainClient = StartMainClient("");
    mainClient.Wait(mainClientWaitMs_);
    StartUpdater();
}

void CProgramStarter::FinishAndLaunch(const std::function<void()>& hideWindow) {
    // A package that cannot be removed is found and offered again at the next start.
    ::unlink((programFolder_ + std::string(contract::kUpdatePackagePath)).c_str());
    CProcessHandle mainClient = StartMainClient(programFolder_);
    if (hideWindow) {
        hideWindow();
    }
    mainClient.Wait(mainClientWaitMs_);
    StartUpdater();
}

}  // namespace ovix::launcher
