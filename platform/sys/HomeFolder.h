#pragma once

#include <string>

namespace ovix::platform {

// The user's home folder: $HOME, else the password database's entry; empty when neither.
std::string HomeFolder();

}  // namespace ovix::platform
