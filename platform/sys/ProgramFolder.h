#pragma once

#include <string>

namespace ovix::platform {

// Folder of the running program file (/proc/self/exe resolved), without a trailing slash.
// Empty when it cannot be read.
std::string ProgramFolder();

}  // namespace ovix::platform
