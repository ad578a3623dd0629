// File steps of a download job around its temporary file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace ovix::updater {

// Size of a regular file; none when it does not exist or cannot be read.
std::optional<std::int64_t> FileSizeOf(const std::string& path);

// Sets the file's modification time (seconds since the epoch, UTC), its access time kept.
bool StampModificationTime(const std::string& path, std::int64_t seconds);

// Renames `source` over `target` in one step, so there is never a moment without a target and
// a failed move leaves the previous target as it was (and `source` with the complete bytes).
bool PutInPlace(const std::string& source, const std::string& target);

}  // namespace ovix::updater
