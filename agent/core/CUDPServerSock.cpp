#include "agent/core/CUDPServerSock.h"

#include <poll.h>
#include <sys/socket.h>

#include "agent/core/SocketTrace.h"
#include "platform/net/LocalAddressList.h"
#include "platform/net/SocketCalls.h"

namespace ovix::agent {

CUDPServerSock::~CUDPServerSock() {
    CUDPServerSock::Close();
}

int CUDPServerSock::Open(std::uint16_t port, int workerCount) {
    const int opened = OpenSocket(SOCK_DGRAM, port);
    if (opened != 0) {
        Close();
        SocketTrace("CUDPServerSock::Open - Open failed!\r\n");
        return opened;
    }
    // The socket stays blocking; workers only read after a poll saw it readable, and
    // read without waiting.
    SocketTrace("CUDPServerSock::Open - SetNonblock ...\r\n");
    if (StartWorkers(workerCount) != 0) {
        Close();
        SocketTrace("CUDPServerSock::Open - Start work thread has been failed! ...\r\n");
        return -30;
    }
    return 0;
}

int CUDPServerSock::Close() {
    // Wake the workers first, join them, and only then give the descriptor back.
    ShutdownSocket();
    StopWorkers();
    return CServerSock::Close();
}

int CUDPServerSock::Poll(int index, int timeoutMs) {
    const int socket = Socket();
    short revents = 0;
    // The wake event only ends the wait; the worker's loop then sees the stop.
    switch (platform::WaitForSocketOrWake(socket, POLLIN, WakeFd(), timeoutMs, &revents, nullptr)) {
        case platform::SocketWait::kTimedOut:
            return kPollTimedOut;
        case platform::SocketWait::kFailed:
            return kPollFailed;
        case platform::SocketWait::kReady:
            break;
    }
    if ((revents & (POLLIN | POLLERR | POLLHUP)) == 0) {
        return kPollHandled;
    }
    OnReceive(index, socket, 0);
    return kPollHandled;
}

CUDPServerSock::DatagramStatus CUDPServerSock::ReceiveDatagram(int socket, std::uint8_t* buffer,
                                                               std::size_t capacity,
                                                               std::size_t* length,
                                                               sockaddr_in* from) {
    socklen_t fromSize = sizeof *from;
    // MSG_TRUNC makes the call report the datagram's real length, so a cut one is seen.
    const long received = ::recvfrom(socket, buffer, capacity, MSG_DONTWAIT | MSG_TRUNC,
                                     reinterpret_cast<sockaddr*>(from), &fromSize);
    if (received < 0) {
        return DatagramStatus::kNone;  // taken by another worker, or a reported send error
    }
    if (received == 0) {
        // An empty datagram, or a shut socket: nothing to pass on either way.
        return DatagramStatus::kDropped;
    }
    if (static_cast<std::size_t>(received) > capacity) {
        return DatagramStatus::kDropped;
    }
    if (fromSize < sizeof *from || from->sin_family != AF_INET ||
        !platform::IsLocalHostAddress(from->sin_addr.s_addr)) {
        return DatagramStatus::kDropped;
    }
    buffer[received] = 0;
    *length = static_cast<std::size_t>(received);
    return DatagramStatus::kAccepted;
}

long CUDPServerSock::SendDatagram(const std::uint8_t* bytes, std::size_t length,
                                  const sockaddr_in& to) {
    return UseHandle([&](int socket) -> long {
        if (socket == kInvalidSocket) {
            return -1;
        }
        return platform::SendToNoSignal(socket, bytes, length, MSG_DONTWAIT, to);
    });
}

}  // namespace ovix::agent
