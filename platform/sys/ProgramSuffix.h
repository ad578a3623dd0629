#pragma once

#include <string_view>

namespace ovix::platform {

// Program files carry no suffix on Linux; a Windows build would put ".exe" here.
inline constexpr std::string_view kProgramSuffix = "";

}  // namespace ovix::platform
