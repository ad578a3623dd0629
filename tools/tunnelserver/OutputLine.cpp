#include "tools/tunnelserver/OutputLine.h"

#include <cstdio>
#include <string>

namespace ovix::tools {

void PrintLine(const std::string& line) {
    const std::string whole = line + '\n';
    std::fwrite(whole.data(), 1, whole.size(), stdout);
    std::fflush(stdout);
}

}  // namespace ovix::tools
