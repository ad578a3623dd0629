#include "tools/agentdriver/StdoutLogSink.h"

#include <cstdio>
#include <string>

namespace ovix::tools {

void CStdoutLogSink::AddLogLine(std::string_view line) {
    Print(line);
}

void CStdoutLogSink::Print(std::string_view line) {
    // One write per line: the core's socket traces go to the same stream.
    std::string whole(line);
    whole += '\n';
    std::lock_guard<std::mutex> hold(outputLock_);
    std::fwrite(whole.data(), 1, whole.size(), stdout);
    std::fflush(stdout);
}

}  // namespace ovix::tools
