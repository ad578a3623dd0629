#include "agent/core/TunnelPacket.h"

#include <cstring>

#include "agent/core/TunnelFrame.h"

namespace ovix::agent {

PacketKind PacketKindFromFrameType(std::uint8_t type) {
    switch (type) {
        case kFrameTypeSip:
            return kPacketSip;
        case kFrameTypeRtp:
            return kPacketRtp;
        case kFrameTypeControl:
            return kPacketControl;
        default:
            return kPacketOther;
    }
}

std::string_view TunnelPacket::Text() const {
    if (!payload) {
        return {};
    }
    const char* text = reinterpret_cast<const char*>(payload.get());
    return std::string_view(text, ::strnlen(text, static_cast<std::size_t>(payloadLength)));
}

}  // namespace ovix::agent
