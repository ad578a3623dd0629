#include "updater/update/UpdatePaths.h"

#include "common/MainClientContract.h"

namespace ovix::updater {

UpdatePaths::UpdatePaths(const std::string& programFolder)
    : localControl(programFolder + std::string(contract::kLocalControlFile)),
      serverControl(programFolder + std::string(contract::kServerControlFile)),
      downloadFolder(programFolder + "/" + std::string(contract::kDownloadFolder)),
      package(programFolder + std::string(contract::kUpdatePackagePath)),
      launcher(programFolder + "/" + contract::ProgramFileName(contract::kLauncherProgram)) {}

}  // namespace ovix::updater
