// One argument or result of a dispatch call: empty, a 32-bit or 16-bit integer, or a
// string (UTF-8 on the wire).
#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace ovix::platform {

using DispatchValue = std::variant<std::monostate, int32_t, int16_t, std::string>;
using DispatchArgs = std::vector<DispatchValue>;

}  // namespace ovix::platform
