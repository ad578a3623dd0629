#include "tools/tunnelserver/Sockets.h"

#include <fcntl.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

namespace ovix::tools {

bool SetNonBlocking(int fd) {
    const int flags = fcntl(fd, F_GETFL, 0);
    return flags >= 0 && fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0;
}

bool SetNoDelay(int fd) {
    const int on = 1;
    return setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof(on)) == 0;
}

CUniqueFd OpenUdpSocket(const sockaddr_in& address) {
    CUniqueFd fd(socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (!fd.IsValid() ||
        bind(fd.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
        return CUniqueFd();
    }
    return fd;
}

CUniqueFd OpenTcpListener(const sockaddr_in& address, int backlog) {
    CUniqueFd fd(socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (!fd.IsValid()) {
        return fd;
    }
    const int on = 1;
    setsockopt(fd.Get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof(on));
    if (bind(fd.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0 ||
        listen(fd.Get(), backlog) != 0) {
        return CUniqueFd();
    }
    return fd;
}

sockaddr_in LocalAddressOf(int fd) {
    sockaddr_in address{};
    socklen_t length = sizeof(address);
    if (getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        return sockaddr_in{};
    }
    return address;
}

}  // namespace ovix::tools
