// The local RTP listener: five workers hand each datagram to the owner with its source
// port, and SendToPeer answers the last local program that sent RTP here.
#pragma once

#include <cstdint>
#include <string_view>

#include "agent/core/CPeerListener.h"

namespace ovix::agent {

class CRtpServerSock final : public CPeerListener {
public:
    static constexpr int kWorkers = 5;

    // owner may be null (datagrams are then read and dropped); it is not owned.
    CRtpServerSock(IListenerOwner* owner, std::uint16_t bufferSize);
    ~CRtpServerSock() override;

    // Binds to address and port and starts the workers; Open's result.
    int OpenAt(std::string_view address, std::uint16_t port);
    int Close() override;

protected:
    int OnReceive(int index, int socket, int lastError) override;
};

}  // namespace ovix::agent
