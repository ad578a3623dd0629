#include "agent/core/TunnelFrame.h"

#include <cstring>
#include <string>

namespace ovix::agent {

namespace {

// Frame with header written and room for the payload; Port bytes as given.
FrameBytes MakeFrame(std::uint8_t type, const std::uint8_t portBytes[2],
                     std::size_t payloadLength) {
    FrameBytes frame(kFrameHeaderSize + payloadLength, 0);
    const std::size_t length = payloadLength + kFrameLengthOverhead;
    frame[0] = static_cast<std::uint8_t>(length >> 8);
    frame[1] = static_cast<std::uint8_t>(length & 0xFF);
    frame[2] = type;
    frame[3] = portBytes[0];
    frame[4] = portBytes[1];
    return frame;
}

}  // namespace

FrameBytes BuildSipFrame(std::string_view text) {
    const std::size_t zero = text.find('\0');
    if (zero != std::string_view::npos) {
        text = text.substr(0, zero);
    }
    if (text.empty() || text.size() > kMaxFramePayload) {
        return {};
    }
    const std::uint8_t port[2] = {kSipFramePort >> 8, kSipFramePort & 0xFF};
    FrameBytes frame = MakeFrame(kFrameTypeSip, port, text.size());
    std::memcpy(frame.data() + kFrameHeaderSize, text.data(), text.size());
    return frame;
}

FrameBytes BuildRtpFrame(const std::uint8_t* bytes, std::size_t length,
                         std::uint16_t sourcePortNetworkOrder) {
    if (bytes == nullptr || length == 0 || length > kMaxFramePayload) {
        return {};
    }
    std::uint8_t port[2];
    std::memcpy(port, &sourcePortNetworkOrder, sizeof port);
    FrameBytes frame = MakeFrame(kFrameTypeRtp, port, length);
    std::memcpy(frame.data() + kFrameHeaderSize, bytes, length);
    return frame;
}

FrameBytes BuildAddressReply(std::uint8_t subtype, std::string_view address, std::uint16_t port) {
    std::string text(address);
    text += ':';
    text += std::to_string(port);
    if (text.size() + 1 > kMaxFramePayload) {
        return {};
    }
    const std::uint8_t zeroPort[2] = {0, 0};
    FrameBytes frame = MakeFrame(kFrameTypeControl, zeroPort, text.size() + 1);
    frame[kFrameHeaderSize] = subtype;
    std::memcpy(frame.data() + kFrameHeaderSize + 1, text.data(), text.size());
    return frame;
}

}  // namespace ovix::agent
