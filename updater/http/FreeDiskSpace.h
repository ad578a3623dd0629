// Free bytes on the file system that holds the program folder. Tests and the platform may
// put a probe of their own in place of the file-system query.
#pragma once

#include <cstdint>
#include <functional>

namespace ovix::updater {

// Fills *freeBytes and returns true; false (and *freeBytes untouched) when it cannot tell.
using FreeDiskSpaceProbe = std::function<bool(std::uint64_t* freeBytes)>;

bool GetFreeDiskSpace(std::uint64_t* freeBytes);

// Replaces the query for the whole process; an empty probe restores the file-system query.
// Set it before any download starts.
void SetFreeDiskSpaceProbe(FreeDiskSpaceProbe probe);

}  // namespace ovix::updater
