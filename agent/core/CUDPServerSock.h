// A UDP server socket: opened on a port and served by a number of worker threads.
#pragma once

#include <netinet/in.h>

#include <cstddef>
#include <cstdint>

#include "agent/core/CServerSock.h"

namespace ovix::agent {

class CUDPServerSock : public CServerSock {
public:
    // Largest datagram a worker reads; anything longer is dropped whole.
    static constexpr std::size_t kReceiveCapacity = 8192;

    ~CUDPServerSock() override;

    // Binds a datagram socket to port and starts workerCount workers. The OpenSocket
    // error (with the trace "CUDPServerSock::Open - Open failed!\r\n"), -30 when the
    // workers cannot start, 0 on success.
    virtual int Open(std::uint16_t port, int workerCount);
    // Wakes and joins the workers, then closes the socket. Harmless when closed.
    int Close() override;

protected:
    int Poll(int index, int timeoutMs) override;
    int OnReceive(int, int, int) override { return 0; }
    int OnClose(int, int, int) override { return 0; }

    enum class DatagramStatus {
        kNone,      // nothing was waiting (another worker took it) or the socket is shut
        kAccepted,  // a whole datagram of at least one byte from a sender on this host
        kDropped,   // empty, longer than the capacity, or from another host
    };
    // Reads one datagram without blocking into buffer (capacity bytes plus a zero byte
    // after the data). A datagram longer than capacity is reported as dropped: a cut
    // message is never passed on.
    DatagramStatus ReceiveDatagram(int socket, std::uint8_t* buffer, std::size_t capacity,
                                   std::size_t* length, sockaddr_in* from);
    // Sends one datagram from this socket; the send result (-1 without a socket).
    long SendDatagram(const std::uint8_t* bytes, std::size_t length, const sockaddr_in& to);
};

}  // namespace ovix::agent
