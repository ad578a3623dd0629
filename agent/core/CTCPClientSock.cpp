#include "agent/core/CTCPClientSock.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>

#include <cerrno>

#include "platform/net/SocketCalls.h"

namespace ovix::agent {

namespace {

// Dotted text as is; a name through the resolver (first IPv4 address).
bool ResolveHost(const std::string& host, in_addr* address) {
    if (::inet_pton(AF_INET, host.c_str(), address) == 1) {
        return true;
    }
    if (host.empty()) {
        return false;
    }
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || found == nullptr) {
        return false;
    }
    *address = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr;
    ::freeaddrinfo(found);
    return true;
}

// Blocking connect with a time-out: the socket is made non-blocking for the attempt.
bool ConnectWithin(int socket, const sockaddr_in& to, int timeoutMs) {
    const int flags = ::fcntl(socket, F_GETFL);
    ::fcntl(socket, F_SETFL, flags | O_NONBLOCK);
    bool connected = ::connect(socket, reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0;
    if (!connected && errno == EINPROGRESS) {
        short revents = 0;
        if (platform::WaitForSocket(socket, POLLOUT, timeoutMs, &revents) ==
            platform::SocketWait::kReady) {
            int error = 0;
            socklen_t size = sizeof error;
            connected = ::getsockopt(socket, SOL_SOCKET, SO_ERROR, &error, &size) == 0 &&
                        error == 0 && (revents & POLLOUT);
        }
    }
    ::fcntl(socket, F_SETFL, flags);
    return connected;
}

}  // namespace

int CTCPClientSock::Open() {
    const int created = Create(SOCK_STREAM, 0);
    if (created != 0) {
        return created;
    }
    const int socket = Socket();
    const int noDelay = 1;  // frames are small and latency matters more than packing
    ::setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, &noDelay, sizeof noDelay);
    if (sendBufferBytes_ > 0) {
        ::setsockopt(socket, SOL_SOCKET, SO_SNDBUF, &sendBufferBytes_, sizeof sendBufferBytes_);
    }
    sockaddr_in any{};
    any.sin_family = AF_INET;
    if (::bind(socket, reinterpret_cast<const sockaddr*>(&any), sizeof any) == 0) {
        sockaddr_in bound{};
        socklen_t size = sizeof bound;
        if (::getsockname(socket, reinterpret_cast<sockaddr*>(&bound), &size) == 0) {
            char text[INET_ADDRSTRLEN] = {};
            ::inet_ntop(AF_INET, &bound.sin_addr, text, sizeof text);
            SetBindAddress(text);
            SetPort(ntohs(bound.sin_port));
        }
    }
    const int started = StartPoll();
    if (started != 0) {
        Close();
        return started;
    }
    return 0;
}

int CTCPClientSock::Connect(std::string_view host, std::uint16_t port) {
    const int connected = ConnectUnarmed(host, port);
    if (connected == 0) {
        ArmPoll(true);
    }
    return connected;
}

int CTCPClientSock::ConnectUnarmed(std::string_view host, std::uint16_t port) {
    const int socket = Socket();
    if (socket == kInvalidSocket) {
        return -1;
    }
    const std::string cut(host.substr(0, kMaxHostLength));
    {
        CLockGuard guard(hostLock_);
        host_ = cut;
    }
    SetRemotePort(port);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    if (!ResolveHost(cut, &to.sin_addr)) {
        SetRemotePort(0);
        return -3;
    }
    if (!ConnectWithin(socket, to, kConnectTimeoutMs)) {
        SetRemotePort(0);
        return -2;
    }
    return 0;
}

int CTCPClientSock::Close() {
    ArmPoll(false);
    ShutdownSocket();  // wakes the poll thread and any send at once
    StopPoll();
    return CBaseSock::Close();
}

long CTCPClientSock::Send(const std::uint8_t* bytes, long length, int flags) {
    const int socket = Socket();
    if (socket == kInvalidSocket) {
        return -1;
    }
    if (bytes == nullptr || length <= 0) {
        return -2;
    }
    return platform::SendNoSignal(socket, bytes, static_cast<std::size_t>(length), flags);
}

long CTCPClientSock::Receive(std::uint8_t* buffer, long size, int flags) {
    const int socket = Socket();
    if (socket == kInvalidSocket) {
        return -1;
    }
    if (buffer == nullptr || size <= 0) {
        return -2;
    }
    return ::recv(socket, buffer, static_cast<std::size_t>(size), flags);
}

std::string CTCPClientSock::Host() const {
    CLockGuard guard(hostLock_);
    return host_;
}

int CTCPClientSock::OnReadable() {
    // Readable with nothing waiting: the peer closed the connection or it failed.
    int waiting = 0;
    if (::ioctl(Socket(), FIONREAD, &waiting) != 0 || waiting <= 0) {
        OnReceive(0, nullptr);
        return 0;
    }
    int seen = 0;
    while (waiting > 0) {
        seen += waiting;
        const long received = Receive(buffer_.get(), bufferSize_, MSG_DONTWAIT);
        if (received < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK) {
                break;
            }
            OnReceive(0, nullptr);
            return 0;
        }
        if (received > 0) {
            OnReceive(received, buffer_.get());
        }
        if (::ioctl(Socket(), FIONREAD, &waiting) != 0) {
            waiting = 0;
        }
    }
    return seen;
}

}  // namespace ovix::agent
