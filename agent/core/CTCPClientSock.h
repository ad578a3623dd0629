// A TCP client socket: bound to an ephemeral local port, connected to a host and port,
// read by the poll thread of CClientSock.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>

#include "agent/core/CClientSock.h"
#include "agent/core/CLock.h"

namespace ovix::agent {

class CTCPClientSock : public CClientSock {
public:
    static constexpr std::size_t kMaxHostLength = 255;
    // A connect to an address that never answers gives up after this; the caller's
    // thread (the SIP listener's worker) must stay stoppable.
    static constexpr int kConnectTimeoutMs = 5000;

    // Creates the stream socket, binds it to an ephemeral port (BindAddress() and Port()
    // then tell which) and starts the poll thread. -10 without a socket, the StartPoll
    // error (socket closed again) when the thread cannot start, 0 otherwise.
    virtual int Open();
    // -1 without a socket; -3 when host does not resolve; -2 when the connection is
    // refused, unreachable or times out (RemotePort() is then 0); 0 when connected.
    // host is cut to 255 characters.
    virtual int Connect(std::string_view host, std::uint16_t port);
    // Shuts the socket, stops the poll thread and closes the socket.
    int Close() override;

    // -1 without a socket, -2 for missing bytes or length <= 0, else the send result.
    // Never raises SIGPIPE.
    long Send(const std::uint8_t* bytes, long length, int flags) override;
    // Same checks, then the receive result.
    long Receive(std::uint8_t* buffer, long size, int flags) override;

    std::string Host() const;
    std::uint16_t RemotePort() const { return remotePort_.load(); }

    // Send buffer size applied by Open (0: the system's default). Tests use a small one.
    void SetSendBufferBytes(int bytes) { sendBufferBytes_ = bytes; }

protected:
    // Connect without arming the poll thread: a derived class that must finish its own
    // set-up first (before a hang-up can be handled) arms it afterwards.
    int ConnectUnarmed(std::string_view host, std::uint16_t port);
    int OnReadable() override;
    void SetRemotePort(std::uint16_t port) { remotePort_.store(port); }

private:
    mutable CLock hostLock_;
    std::string host_;  // guarded by hostLock_
    std::atomic<std::uint16_t> remotePort_{0};
    int sendBufferBytes_ = 0;  // set before Open
};

}  // namespace ovix::agent
