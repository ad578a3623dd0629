#pragma once

#include <string>

namespace ovix::updater {

// Whether an update package already waits in the program folder's download folder for the
// launcher to install it. The name must match exactly, in the same letter case, and be a file.
bool IsPackagePending(const std::string& programFolder);

}  // namespace ovix::updater
