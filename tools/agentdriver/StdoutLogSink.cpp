#include "tools/agentdriver/StdoutLogSink.h"

#include <cstdio>

namespace ovix::tools {

void CStdoutLogSink::AddLogLine(std::string_view line) {
    Print(line);
}

void CStdoutLogSink::Print(std::string_view line) {
    std::lock_guard<std::mutex> hold(outputLock_);
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

}  // namespace ovix::tools
