#pragma once

#include <string_view>

namespace ovix::updater {

// The package to fetch for a server and a local patch level: the small step package when the
// server is exactly one level ahead, the full package for any other difference, none when
// the levels are equal (empty).
std::string_view PackageResourceFor(int serverLevel, int localLevel);

}  // namespace ovix::updater
