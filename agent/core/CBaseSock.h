// Base of the agent's socket classes: owns one IPv4 socket and a receive buffer.
//
// The handle is atomic because worker threads read it while the owner opens and closes.
// Shutting the socket down wakes every thread blocked on it; the handle itself is only
// closed once those threads are done with it, so a reused descriptor number is never
// read by a thread of the old socket.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "agent/core/CLock.h"

namespace ovix::agent {

class CBaseSock {
public:
    static constexpr int kInvalidSocket = -1;

    CBaseSock() = default;
    virtual ~CBaseSock();
    CBaseSock(const CBaseSock&) = delete;
    CBaseSock& operator=(const CBaseSock&) = delete;

    // Makes an IPv4 socket of that type (SOCK_DGRAM, SOCK_STREAM); -10 on failure.
    virtual int Create(int type, int protocol);
    // Closes the socket and sets the port to 0; -1 when there was no socket.
    virtual int Close();

    // Replaces the receive buffer by n + 1 zeroed bytes.
    bool SetBufferSize(std::uint16_t n);
    std::uint16_t BufferSize() const { return bufferSize_; }

    std::string BindAddress() const;
    std::uint16_t Port() const { return port_.load(); }
    int Socket() const { return socket_.load(); }

protected:
    void SetBindAddress(std::string address);
    void SetPort(std::uint16_t port) { port_.store(port); }
    // shutdown(SHUT_RDWR): blocked receives, sends and polls on the socket return.
    void ShutdownSocket();
    // Closes the handle (if any) and marks it invalid; result of close(), -1 without one.
    int CloseHandle();
    // Runs use(handle) while the handle cannot be closed or reused; for short,
    // non-blocking calls from threads that are not joined before the close.
    template <typename Use>
    auto UseHandle(Use use) {
        CLockGuard guard(handleLock_);
        return use(socket_.load());
    }

    std::atomic<int> socket_{kInvalidSocket};
    std::uint16_t bufferSize_ = 0;            // set before any worker runs
    std::unique_ptr<std::uint8_t[]> buffer_;  // used by one receiving thread at a time

private:
    std::atomic<std::uint16_t> port_{0};
    // Serialises closing the handle against shutting it down, so neither touches a
    // descriptor number that was already given to another socket.
    CLock handleLock_;
    mutable CLock addressLock_;
    std::string bindAddress_;  // guarded by addressLock_
};

}  // namespace ovix::agent
