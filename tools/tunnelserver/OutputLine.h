// The stand-in reports on standard output, one line at a time and flushed at once, so that a
// test reading its pipe sees each event as it happens.
#pragma once

#include <string>

namespace ovix::tools {

void PrintLine(const std::string& line);

}  // namespace ovix::tools
