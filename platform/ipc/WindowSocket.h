// Addresses of window sockets: <runtime>/windows/<class>.
#pragma once

#include <sys/socket.h>
#include <sys/un.h>

#include <string>
#include <string_view>

namespace ovix::platform {

// Path of the socket of a window class; "" for an invalid class name or a refused runtime
// folder.
std::string WindowSocketPath(std::string_view windowClass);
// Guard lock file for creating and removing window sockets.
std::string WindowGuardPath();

// The Unix socket address of a path. A path too long for a socket address (107 bytes) is
// reached through a descriptor of its folder, "/proc/self/fd/N/<name>", which stays open for
// the life of this object; the address is invalid when even that does not fit.
class CSocketAddress {
public:
    explicit CSocketAddress(const std::string& path);
    ~CSocketAddress();
    CSocketAddress(const CSocketAddress&) = delete;
    CSocketAddress& operator=(const CSocketAddress&) = delete;

    bool IsValid() const { return valid_; }
    const sockaddr* Get() const { return reinterpret_cast<const sockaddr*>(&address_); }
    socklen_t Size() const { return sizeof(address_); }

private:
    bool SetPath(const std::string& path);

    sockaddr_un address_{};
    int folderFd_ = -1;
    bool valid_ = false;
};

enum class WindowSocketState { kAbsent, kStale, kLive };
// Probes the socket by connecting to it: a socket file without a bound owner is stale.
WindowSocketState ProbeWindowSocket(const std::string& path);

}  // namespace ovix::platform
