// The desktop shortcut that starts the launcher: a desktop entry "ovix.desktop".
#pragma once

#include <string>

namespace ovix::updater {

// Text of the desktop entry that starts the launcher in `programFolder` from that folder.
std::string DesktopEntryText(const std::string& programFolder);

// Writes the entry into `desktopFolder`, replacing an earlier one in one step. False when the
// folder is empty or the file cannot be written; nothing is reported beyond that.
bool MakeDesktopShortcut(const std::string& programFolder, const std::string& desktopFolder);

}  // namespace ovix::updater
