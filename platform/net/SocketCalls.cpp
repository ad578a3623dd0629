#include "platform/net/SocketCalls.h"

#include <poll.h>
#include <sys/socket.h>

#include <cerrno>

#include "platform/net/WinsockError.h"

namespace ovix::platform {

int LastSocketError() {
    return WinsockErrorFromErrno(errno);
}

long SendNoSignal(int socket, const void* bytes, std::size_t length, int flags) {
    return ::send(socket, bytes, length, flags | MSG_NOSIGNAL);
}

long SendToNoSignal(int socket, const void* bytes, std::size_t length, int flags,
                    const sockaddr_in& to) {
    return ::sendto(socket, bytes, length, flags | MSG_NOSIGNAL,
                    reinterpret_cast<const sockaddr*>(&to), sizeof to);
}

SocketWait WaitForSocket(int socket, short events, int timeoutMs, short* revents) {
    pollfd entry{socket, events, 0};
    const int result = ::poll(&entry, 1, timeoutMs);
    if (revents != nullptr) {
        *revents = entry.revents;
    }
    if (result < 0) {
        return SocketWait::kFailed;
    }
    return result == 0 ? SocketWait::kTimedOut : SocketWait::kReady;
}

SocketWait WaitForSocketOrWake(int socket, short events, int wakeFd, int timeoutMs, short* revents,
                               bool* woken) {
    // poll() skips entries with a negative descriptor, so a missing one simply never
    // reports.
    pollfd entries[2] = {{socket, events, 0}, {wakeFd, POLLIN, 0}};
    const int result = ::poll(entries, 2, timeoutMs);
    if (revents != nullptr) {
        *revents = entries[0].revents;
    }
    if (woken != nullptr) {
        *woken = (entries[1].revents & (POLLIN | POLLERR | POLLHUP | POLLNVAL)) != 0;
    }
    if (result < 0) {
        return SocketWait::kFailed;
    }
    return result == 0 ? SocketWait::kTimedOut : SocketWait::kReady;
}

}  // namespace ovix::platform
