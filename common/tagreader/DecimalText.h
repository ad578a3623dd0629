#pragma once

#include <string_view>

namespace ovix::tagreader {

// Reads a number the way the C library's atoi does: leading white space skipped, an optional
// sign, then digits up to the first other character; no digits give 0. Values beyond int are
// clamped instead of being undefined.
int ParseDecimal(std::string_view text);

}  // namespace ovix::tagreader
