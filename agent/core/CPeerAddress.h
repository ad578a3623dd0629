// The address of the last local sender of a listener. Written by any of the listener's
// workers and read by the thread that sends back, so it is kept in one atomic word:
// the last sender wins, and a reader never sees half of one address and half of another.
#pragma once

#include <netinet/in.h>

#include <atomic>
#include <cstdint>

namespace ovix::agent {

class CPeerAddress {
public:
    void Store(const sockaddr_in& address);
    // False while no datagram was accepted yet.
    bool Load(sockaddr_in* address) const;

private:
    // Bit 48 marks a stored address; bits 16..47 the IPv4 address and bits 0..15 the
    // port, both as they stand in sockaddr_in (network byte order).
    std::atomic<std::uint64_t> packed_{0};
};

}  // namespace ovix::agent
