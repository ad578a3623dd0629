// The stand-in main client's window side: while it runs it holds the event that tells a
// launcher a main client is there, owns the main client's window, and prints every message
// posted to it as "message NUMBER WPARAM LPARAM" on stdout (and into the log file, if any).
// SIGTERM or SIGINT ends it; it then gives everything back and returns 0.
#pragma once

#include <string>

namespace ovix::tools {

// `logFile` may be empty. Returns the process exit code: 0 after SIGTERM/SIGINT, 1 when the
// event, the window or the log file cannot be had.
int RunClientMode(const std::string& logFile);

}  // namespace ovix::tools
