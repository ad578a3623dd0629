#pragma once

#include <string>

namespace ovix::platform {

// The user's desktop folder: what `xdg-user-dir DESKTOP` prints, or $HOME/Desktop when that
// tool is missing or says nothing. Empty when neither can be determined. The folder is not
// created.
std::string DesktopFolder();

}  // namespace ovix::platform
