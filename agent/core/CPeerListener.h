// What the SIP and RTP listeners share: the owner that receives their datagrams, the
// last local sender (peer) and the way back to it.
#pragma once

#include <netinet/in.h>

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "agent/core/CPeerAddress.h"
#include "agent/core/CUDPServerSock.h"
#include "agent/core/IListenerOwner.h"

namespace ovix::agent {

class CPeerListener : public CUDPServerSock {
public:
    // Sends one datagram to the last sender; -1 when none is known or without socket.
    long SendToPeer(const std::uint8_t* bytes, std::size_t length);

protected:
    // owner may be null (datagrams are then read and dropped); it is not owned.
    CPeerListener(IListenerOwner* owner, std::uint16_t bufferSize);

    // Binds to address and port and starts workerCount workers; Open's result.
    int OpenAt(std::string_view address, std::uint16_t port, int workerCount);

    // Reads one datagram into buffer (kReceiveCapacity + 1 bytes, zero after the data).
    // A whole datagram from a sender on this host makes that sender the peer and
    // returns true; anything else is dropped and leaves the peer as it was.
    bool ReceiveFromLocalSender(int socket, std::uint8_t* buffer, std::size_t* length,
                                sockaddr_in* from);

    IListenerOwner* const owner_;

private:
    CPeerAddress peer_;
};

}  // namespace ovix::agent
