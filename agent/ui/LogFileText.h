// Text of a saved log: every line as "%d. %s\r\n\r\n", numbered from 1, in the order given
// (the window passes the newest first).
#pragma once

#include <string>
#include <vector>

namespace ovix::agent {

std::string FormatLogFile(const std::vector<std::string>& lines);

// Creates (or truncates) path and writes the text. False when it cannot be created or written.
bool WriteLogFile(const std::string& path, const std::vector<std::string>& lines);

}  // namespace ovix::agent
