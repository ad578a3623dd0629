#include "updater/update/PendingPackage.h"

#include <filesystem>

#include "common/MainClientContract.h"

namespace ovix::updater {

bool IsPackagePending(const std::string& programFolder) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path folder = fs::path(programFolder) / contract::kDownloadFolder;
    fs::directory_iterator it(folder, ec);
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.empty() || name[0] == '.') {
            continue;
        }
        std::error_code typeError;
        if (name == contract::kUpdatePackageName && !it->is_directory(typeError)) {
            return true;
        }
    }
    return false;
}

}  // namespace ovix::updater
