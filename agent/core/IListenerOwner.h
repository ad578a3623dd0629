// What the UDP listeners hand their datagrams to (the relay core, or a test recorder).
// Called on the listeners' worker threads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace ovix::agent {

class IListenerOwner {
public:
    virtual ~IListenerOwner() = default;
    // A SIP datagram's text up to its first zero byte.
    virtual void OnSipDatagram(std::string_view text) = 0;
    // An RTP datagram; the source port exactly as it stood in the source address
    // (network byte order).
    virtual void OnRtpDatagram(const std::uint8_t* bytes, std::size_t length,
                               std::uint16_t sourcePortNetworkOrder) = 0;
};

}  // namespace ovix::agent
