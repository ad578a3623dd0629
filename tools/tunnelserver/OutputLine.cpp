#include "tools/tunnelserver/OutputLine.h"

#include <cstdio>

namespace ovix::tools {

void PrintLine(const std::string& line) {
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

}  // namespace ovix::tools
