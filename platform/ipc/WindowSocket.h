// Addresses of window sockets: <runtime>/windows/<class>.
#pragma once

#include <sys/socket.h>
#include <sys/un.h>

#include <string>
#include <string_view>

namespace ovix::platform {

// Path of the socket of a window class; "" for an invalid class name or a refused runtime
// folder, or when the path does not fit a Unix socket address.
std::string WindowSocketPath(std::string_view windowClass);
// Guard lock file for creating and removing window sockets.
std::string WindowGuardPath();
// Fills `address` for `path`; false when the path is too long.
bool MakeSocketAddress(const std::string& path, sockaddr_un* address);

enum class WindowSocketState { kAbsent, kStale, kLive };
// Probes the socket by connecting to it: a socket file without a bound owner is stale.
WindowSocketState ProbeWindowSocket(const std::string& path);

}  // namespace ovix::platform
