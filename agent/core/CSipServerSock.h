// The local SIP listener: one worker hands each datagram's text to the owner, and
// SendToPeer answers the last local program that sent SIP here.
#pragma once

#include <atomic>
#include <cstdint>
#include <string_view>

#include "agent/core/CPeerListener.h"

namespace ovix::agent {

class CSipServerSock final : public CPeerListener {
public:
    static constexpr int kWorkers = 1;

    // owner may be null (datagrams are then read and dropped); it is not owned.
    CSipServerSock(IListenerOwner* owner, std::uint16_t bufferSize);
    ~CSipServerSock() override;

    // Binds to address and port and starts the worker; Open's result.
    int OpenAt(std::string_view address, std::uint16_t port);
    int Close() override;

    // The port most recently passed to OpenAt; kept after Close.
    std::uint16_t SipPort() const { return sipPort_.load(); }

protected:
    int OnReceive(int index, int socket, int lastError) override;

private:
    std::atomic<std::uint16_t> sipPort_{0};
};

}  // namespace ovix::agent
