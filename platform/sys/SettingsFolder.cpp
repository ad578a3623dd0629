#include "platform/sys/SettingsFolder.h"

#include "platform/sys/HomeFolder.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace ovix::platform {

namespace {

std::string ChooseSettingsFolder() {
    if (const char* dir = std::getenv("OVIX_CONFIG_DIR"); dir != nullptr && *dir != '\0') {
        return dir;
    }
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg != nullptr && *xdg == '/') {
        return std::string(xdg) + "/ovix";
    }
    const std::string home = HomeFolder();
    return home.empty() ? std::string() : home + "/.config/ovix";
}

}  // namespace

std::string SettingsFolder() {
    std::string folder = ChooseSettingsFolder();
    if (folder.empty()) {
        return {};
    }
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (!std::filesystem::is_directory(folder, ec)) {
        return {};
    }
    return folder;
}

}  // namespace ovix::platform
