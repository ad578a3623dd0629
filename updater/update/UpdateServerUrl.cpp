#include "updater/update/UpdateServerUrl.h"

#include <cstdlib>

#include "platform/sys/ProfileFile.h"
#include "platform/sys/SettingsFolder.h"

#ifndef OVIX_DEFAULT_UPDATE_URL
#define OVIX_DEFAULT_UPDATE_URL "http://127.0.0.1"
#endif

namespace ovix::updater {

namespace {

std::string WithoutTrailingSlashes(std::string url) {
    while (!url.empty() && url.back() == '/') {
        url.pop_back();
    }
    return url;
}

}  // namespace

std::string ChooseUpdateServerUrl(const char* fromEnvironment, const std::string& settingsFile,
                                  std::string_view compiledDefault) {
    if (fromEnvironment != nullptr && *fromEnvironment != '\0') {
        return WithoutTrailingSlashes(fromEnvironment);
    }
    if (!settingsFile.empty()) {
        std::string fromFile = platform::GetProfileString(settingsFile, kUpdateSettingsSection,
                                                          kUpdateSettingsKey, "");
        if (!fromFile.empty()) {
            return WithoutTrailingSlashes(std::move(fromFile));
        }
    }
    return WithoutTrailingSlashes(std::string(compiledDefault));
}

std::string UpdateServerUrl() {
    const std::string folder = platform::SettingsFolder();
    const std::string settingsFile =
        folder.empty() ? std::string() : folder + "/" + platform::kSuiteSettingsFile;
    return ChooseUpdateServerUrl(std::getenv(kUpdateUrlVariable), settingsFile,
                                 OVIX_DEFAULT_UPDATE_URL);
}

}  // namespace ovix::updater
