// The per-user folder that holds named objects and message windows.
#pragma once

#include <string>

namespace ovix::platform {

// Environment variable that moves the runtime folder (tests give every case its own).
inline constexpr const char* kRuntimeFolderVariable = "OVIX_RUNTIME_DIR";

// The folder chosen from the environment: OVIX_RUNTIME_DIR when set and not empty, else
// $XDG_RUNTIME_DIR/ovix when XDG_RUNTIME_DIR is set, else /tmp/ovix-<uid>. Not checked.
std::string RuntimeFolderPath();

// Makes sure `folder` is a usable runtime folder: created with mode 0700 when missing (its
// parent must exist); an existing one must be a real folder (not a symbolic link) owned by
// this user with no access for group or others. On refusal `error` holds one line that says
// why, and the result is false.
bool PrepareRuntimeFolder(const std::string& folder, std::string* error);

// The checked runtime folder, or "" when it is refused; a refusal is reported on stderr
// ("ovix: runtime folder ... refused: ..."). Named objects and windows call this on every use.
std::string RuntimeFolder();

}  // namespace ovix::platform
