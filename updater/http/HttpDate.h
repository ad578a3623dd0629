#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace ovix::updater {

// Reads a lower-case HTTP date of the form "wdy, dd mon yyyy hh:mm:ss gmt" as seconds since
// the epoch (UTC). An unknown month name counts as January. None for a text without a comma
// (other date forms) or too short to hold the fields.
std::optional<std::int64_t> ParseHttpDate(std::string_view text);

}  // namespace ovix::updater
