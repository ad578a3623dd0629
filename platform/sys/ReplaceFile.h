#pragma once

#include <sys/types.h>

#include <string>
#include <string_view>

namespace ovix::platform {

// Replaces the file at `path` with `contents` in one step: the bytes go to a temporary file in
// the same folder, which is then renamed over `path`. A reader sees either the old or the new
// file, never a part of it. The new file gets exactly `mode`. False on any failure;
// the old file then stays as it was.
bool ReplaceFileContents(const std::string& path, std::string_view contents, mode_t mode);

// The permission bits of the file at `path`, or `fallback` when it cannot be looked at: the
// mode to pass above when a rewritten file should keep who may read it.
mode_t FileModeOr(const std::string& path, mode_t fallback);

}  // namespace ovix::platform
