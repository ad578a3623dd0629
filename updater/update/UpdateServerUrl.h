// Where the update server is: a deployment setting. The environment variable OVIX_UPDATE_URL
// wins, then key "url" of section "Update" in the suite's settings file (ovix.ini in the
// settings folder), then the default compiled in (CMake cache variable
// OVIX_DEFAULT_UPDATE_URL).
#pragma once

#include <string>
#include <string_view>

namespace ovix::updater {

inline constexpr const char* kUpdateUrlVariable = "OVIX_UPDATE_URL";
inline constexpr std::string_view kUpdateSettingsSection = "Update";
inline constexpr std::string_view kUpdateSettingsKey = "url";

// The same choice for given values: `fromEnvironment` may be null, `settingsFile` may be
// empty. Empty values count as not set; trailing "/" are dropped so paths can be appended.
std::string ChooseUpdateServerUrl(const char* fromEnvironment, const std::string& settingsFile,
                                  std::string_view compiledDefault);

std::string UpdateServerUrl();

}  // namespace ovix::updater
