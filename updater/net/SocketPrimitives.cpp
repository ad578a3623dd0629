#include "updater/net/SocketPrimitives.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "platform/net/SocketCalls.h"
#include "platform/net/WinsockError.h"
#include "updater/net/NetError.h"

namespace ovix::updater {

namespace {

using Clock = std::chrono::steady_clock;
using platform::SocketWait;

// A "would block" right after poll reported the socket ready: the readiness was spurious,
// so give the peer a moment instead of spinning.
constexpr auto kWouldBlockPause = std::chrono::milliseconds(100);

int MsLeft(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

int Fail(int code) {
    SetLastNetError(code);
    return -1;
}

int PendingSocketError(int socket) {
    int error = 0;
    socklen_t length = sizeof error;
    if (::getsockopt(socket, SOL_SOCKET, SO_ERROR, &error, &length) != 0) {
        return platform::LastSocketError();
    }
    return error != 0 ? platform::WinsockErrorFromErrno(error) : platform::kWsaNoError;
}

// Waits for `events` until the deadline. kReady when the socket can be used now (an error
// or hang-up also counts: the next call reports it).
SocketWait WaitUntil(int socket, short events, Clock::time_point deadline) {
    for (;;) {
        short revents = 0;
        const SocketWait wait = platform::WaitForSocket(socket, events, MsLeft(deadline), &revents);
        if (wait == SocketWait::kFailed && errno == EINTR) {
            continue;
        }
        return wait;
    }
}

// What a send or receive does after "would block": waits for readiness until the call's
// deadline. A socket that poll reported ready is used at once; only a "would block" that
// still comes after that readiness is followed by a short pause.
class CReadyWait {
public:
    CReadyWait(int socket, short events, int timeoutMs)
        : m_socket(socket),
          m_events(events),
          m_deadline(Clock::now() + std::chrono::milliseconds(timeoutMs)) {}

    // 0 when the call may try again, -1 (error stored) on time-out or failure.
    int AfterWouldBlock() {
        if (m_pollSaidReady) {
            std::this_thread::sleep_for(kWouldBlockPause);
            if (Clock::now() >= m_deadline) {
                return Fail(platform::kWsaETIMEDOUT);
            }
        }
        const SocketWait wait = WaitUntil(m_socket, m_events, m_deadline);
        if (wait == SocketWait::kTimedOut) {
            return Fail(platform::kWsaETIMEDOUT);
        }
        if (wait == SocketWait::kFailed) {
            return Fail(platform::LastSocketError());
        }
        m_pollSaidReady = true;
        return 0;
    }

private:
    int m_socket;
    short m_events;
    Clock::time_point m_deadline;
    bool m_pollSaidReady = false;
};

bool WouldBlock() {
    return errno == EAGAIN || errno == EWOULDBLOCK;
}

// After a send or receive failed: 0 when the call may try again (it was interrupted, or it
// would block and the socket became ready in time), -1 (error stored) otherwise.
int RetryAfterFailedTransfer(CReadyWait& ready) {
    if (errno == EINTR) {
        return 0;
    }
    if (!WouldBlock()) {
        return Fail(platform::LastSocketError());
    }
    return ready.AfterWouldBlock();
}

}  // namespace

int InitNetwork() {
    return 0;
}

int CreateStreamSocket() {
    const int socket = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (socket < 0) {
        return Fail(platform::LastSocketError());
    }
    const int on = 1;
    if (::setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0) {
        const int error = platform::LastSocketError();
        ::close(socket);
        return Fail(error);
    }
    return socket;
}

std::uint32_t ResolveHost(const char* host, bool /*allowThread*/, int* lookupError) {
    if (lookupError != nullptr) {
        *lookupError = platform::kWsaHOST_NOT_FOUND;
    }
    in_addr direct{};
    if (::inet_pton(AF_INET, host, &direct) == 1) {
        return direct.s_addr;
    }
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* answer = nullptr;
    const int result = ::getaddrinfo(host, nullptr, &hints, &answer);
    if (result != 0 || answer == nullptr) {
        if (lookupError != nullptr) {
            *lookupError = platform::WinsockErrorFromResolver(result);
        }
        return kNoAddress;
    }
    const auto* first = reinterpret_cast<const sockaddr_in*>(answer->ai_addr);
    const std::uint32_t address = first->sin_addr.s_addr;
    ::freeaddrinfo(answer);
    return address;
}

int ConnectWithTimeout(int socket, const sockaddr_in& address, int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    if (::connect(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
        return 0;
    }
    if (errno != EINPROGRESS && errno != EINTR) {
        return Fail(platform::LastSocketError());
    }
    const SocketWait wait = WaitUntil(socket, POLLOUT, deadline);
    if (wait == SocketWait::kTimedOut) {
        return Fail(platform::kWsaETIMEDOUT);
    }
    if (wait == SocketWait::kFailed) {
        return Fail(platform::LastSocketError());
    }
    const int error = PendingSocketError(socket);
    return error == platform::kWsaNoError ? 0 : Fail(error);
}

int ConnectToHost(int socket, const char* host, std::uint16_t port, int timeoutMs,
                  bool allowThread) {
    int lookupError = 0;
    const std::uint32_t address = ResolveHost(host, allowThread, &lookupError);
    if (address == kNoAddress) {
        return Fail(lookupError);
    }
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = address;
    to.sin_port = htons(port);
    return ConnectWithTimeout(socket, to, timeoutMs);
}

long SendWithTimeout(int socket, const char* bytes, long length, int timeoutMs) {
    CReadyWait ready(socket, POLLOUT, timeoutMs);
    for (;;) {
        const long sent = platform::SendNoSignal(socket, bytes, static_cast<size_t>(length), 0);
        if (sent >= 0) {
            return sent;
        }
        if (RetryAfterFailedTransfer(ready) != 0) {
            return -1;
        }
    }
}

long SendAll(int socket, const char* bytes, long length, int timeoutMs) {
    long total = 0;
    while (total < length) {
        const long sent = SendWithTimeout(socket, bytes + total, length - total, timeoutMs);
        if (sent <= 0) {
            break;
        }
        total += sent;
    }
    return total;
}

long RecvWithTimeout(int socket, char* buffer, long length, int timeoutMs) {
    // Bytes already waiting are taken at once; only an empty socket is waited for.
    CReadyWait ready(socket, POLLIN, timeoutMs);
    for (;;) {
        const long received = ::recv(socket, buffer, static_cast<size_t>(length), 0);
        if (received > 0) {
            return received;
        }
        if (received == 0) {
            // Only the peer's close is left: a failure, not an empty read.
            return Fail(platform::kWsaEDISCON);
        }
        if (RetryAfterFailedTransfer(ready) != 0) {
            return -1;
        }
    }
}

int CloseSocket(int socket) {
    return ::close(socket);
}

}  // namespace ovix::updater
