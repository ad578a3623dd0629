// Small text helpers of the HTTP client: blanks trimmed, ASCII lower case, strict decimals.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ovix::updater {

std::string TrimBlanks(std::string_view text);
std::string ToLowerAscii(std::string_view text);
// Digits only (after trimming), no sign, and the value must fit an int64_t.
std::optional<std::int64_t> ParseDecimal(std::string_view text);
// The value after the first `name` (a lower-case header name with its colon) up to the next
// CR LF, trimmed; none when the name or the CR LF after it is missing.
std::optional<std::string> FindHeaderValue(std::string_view lowerHeader, std::string_view name);

}  // namespace ovix::updater
