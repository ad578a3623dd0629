#include "agent/core/SocketTrace.h"

#include <cstdarg>
#include <cstdio>

namespace ovix::agent {

namespace {

void WriteTrace(std::FILE* to, const char* format, va_list args) {
    char text[512];
    const int n = std::vsnprintf(text, sizeof text, format, args);
    if (n <= 0) {
        return;
    }
    // One write per trace, so lines of different threads do not interleave.
    std::fwrite(text, 1, static_cast<std::size_t>(n) < sizeof text ? n : sizeof text - 1, to);
    std::fflush(to);
}

}  // namespace

void SocketTrace(const char* format, ...) {
    va_list args;
    va_start(args, format);
    WriteTrace(stdout, format, args);
    va_end(args);
}

void DebugTrace(const char* format, ...) {
    va_list args;
    va_start(args, format);
    WriteTrace(stderr, format, args);
    va_end(args);
}

}  // namespace ovix::agent
