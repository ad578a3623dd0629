// One frame cut from the stream the tunnel server sends.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

namespace ovix::agent {

enum PacketKind : std::int32_t {
    kPacketControl = 0,  // frame type 3
    kPacketSip = 1,      // frame type 1
    kPacketRtp = 2,      // frame type 2
    kPacketOther = 3,    // any other type value; dropped by the relay
};

// Kind of a packet from the frame's Type byte.
PacketKind PacketKindFromFrameType(std::uint8_t type);

struct TunnelPacket {
    std::int32_t kind = kPacketOther;
    // Length field minus 3; 0 when the frame has no payload.
    std::int32_t payloadLength = 0;
    // payloadLength bytes plus one zero byte (not counted), so SIP text reads as a C
    // string; null when payloadLength is 0.
    std::unique_ptr<std::uint8_t[]> payload;

    // The payload as text, up to its first zero byte; empty when there is none.
    std::string_view Text() const;
};

}  // namespace ovix::agent
