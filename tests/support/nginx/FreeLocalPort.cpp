#include "tests/support/nginx/FreeLocalPort.h"

#include <sys/socket.h>
#include <unistd.h>

#include "platform/net/LoopbackAddress.h"

namespace ovix::testsupport {

int FreeLocalPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return 0;
    }
    const sockaddr_in address = platform::LoopbackAddress(0);
    int port = 0;
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
        port = platform::BoundPort(fd);
    }
    ::close(fd);
    return port;
}

bool AcceptsOnLocalPort(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return false;
    }
    const sockaddr_in address = platform::LoopbackAddress(static_cast<uint16_t>(port));
    const bool ok = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return ok;
}

}  // namespace ovix::testsupport
