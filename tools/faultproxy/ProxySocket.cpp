#include "tools/faultproxy/ProxySocket.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "platform/net/LoopbackAddress.h"

namespace ovix::tools {

CProxySocket& CProxySocket::operator=(CProxySocket&& other) noexcept {
    if (this != &other) {
        Close();
        m_fd = other.m_fd;
        other.m_fd = -1;
    }
    return *this;
}

void CProxySocket::Close() {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

void CProxySocket::Reset() {
    if (m_fd >= 0) {
        linger hard{1, 0};
        ::setsockopt(m_fd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
    }
    Close();
}

bool CProxySocket::SendAll(const char* bytes, std::size_t length) const {
    while (length > 0) {
        const ssize_t sent = ::send(m_fd, bytes, length, MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR) {
            continue;
        }
        if (sent <= 0) {
            return false;
        }
        bytes += sent;
        length -= static_cast<std::size_t>(sent);
    }
    return true;
}

CProxySocket CProxySocket::ListenLoopback(int* port) {
    CProxySocket listener(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!listener.Valid()) {
        return listener;
    }
    const int on = 1;
    ::setsockopt(listener.Fd(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    const sockaddr_in address = platform::LoopbackAddress(static_cast<uint16_t>(*port));
    if (::bind(listener.Fd(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener.Fd(), 16) != 0) {
        return CProxySocket();
    }
    const uint16_t bound = platform::BoundPort(listener.Fd());
    if (bound == 0) {
        return CProxySocket();
    }
    *port = bound;
    return listener;
}

CProxySocket CProxySocket::ConnectLoopback(int port) {
    CProxySocket connection(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!connection.Valid()) {
        return connection;
    }
    const sockaddr_in address = platform::LoopbackAddress(static_cast<uint16_t>(port));
    if (::connect(connection.Fd(), reinterpret_cast<const sockaddr*>(&address), sizeof address) !=
        0) {
        return CProxySocket();
    }
    return connection;
}

}  // namespace ovix::tools
