#pragma once

#include <string>

namespace ovix::platform {

// Folder of the suite's settings files: OVIX_CONFIG_DIR, else $XDG_CONFIG_HOME/ovix, else
// ~/.config/ovix. Created (with its parents) when missing; empty when that fails.
std::string SettingsFolder();

// File name of the suite's own settings file inside SettingsFolder().
inline constexpr const char* kSuiteSettingsFile = "ovix.ini";

}  // namespace ovix::platform
