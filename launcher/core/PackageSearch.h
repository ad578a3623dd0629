// Looking for the update package that the updater leaves in the program folder.
#pragma once

#include <string>
#include <string_view>

namespace ovix::launcher {

// Whether `folder` holds an entry named exactly `name` (byte for byte, letter case counts)
// that is a folder. Entries whose names begin with '.' are never matched.
bool FindSubfolder(const std::string& folder, std::string_view name);

// The same for an entry that is not a folder (a file, or anything else that is not one).
bool FindPackageFile(const std::string& folder, std::string_view name);

// True when `programFolder` holds a folder "Download" that holds a file "update.ovix".
bool CheckUpdatePackage(const std::string& programFolder);

}  // namespace ovix::launcher
