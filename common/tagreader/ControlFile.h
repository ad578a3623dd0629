// The update-control files ("conupdate.cfg" and its kin): the patch level and the launcher
// version that the updater reads, and the launcher version that it records.
#pragma once

#include <string>

namespace ovix::tagreader {

// Root element of every update-control file.
inline constexpr const char* kControlRoot = "upcontrol";

// Only this many leading bytes of a control file are looked at.
inline constexpr size_t kControlFileReadLimit = 1000;

// Reads "upcontrol/patch" attribute "version" into `patchVersion` and the text of
// "upcontrol/ovix" into `launcherVersion` (0 when that element is missing). False when the
// file cannot be read or has no patch element with a version; `patchVersion` is written only
// on success, `launcherVersion` always.
bool ReadControlFile(const std::string& path, int& patchVersion, int& launcherVersion);

// Writes `version` as the text of the ovix element of the control file at `path` (adding the
// element when the file has none). A file that cannot be read or has no patch element is left
// alone. The file is replaced in one step, so a reader never sees it half written.
void RecordLauncherVersion(const std::string& path, int version);

}  // namespace ovix::tagreader
