// Debug traces of the socket layer, written to standard output as
// "Class::Method - text\r\n". The windowed program does not show them; a terminal does.
#pragma once

namespace ovix::agent {

// printf-style; the format carries its own "\r\n".
void SocketTrace(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The same to standard error, which stands in for the debugger output.
void DebugTrace(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace ovix::agent
