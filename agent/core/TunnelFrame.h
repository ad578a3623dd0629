// Layout of the frames that travel over the tunnel connection, in both directions:
//
//   offset 0  2 bytes  Length, big-endian: bytes after this field (3 + payload length)
//   offset 2  1 byte   Type (SIP, RTP or control)
//   offset 3  2 bytes  Port (SIP: always 5060; RTP: the softphone's source port as it
//                      stood in the source address; control: 0). Ignored on receipt.
//   offset 5  payload  SIP text without a terminating zero, RTP bytes unchanged, or a
//                      control subtype byte followed by its data.
//
// The builders here make the frames the agent sends; CFrameAssembler cuts the received
// stream back into frames.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace ovix::agent {

inline constexpr std::size_t kFrameLengthFieldSize = 2;
inline constexpr std::size_t kFrameHeaderSize = 5;
// Length counts the Type and Port bytes too.
inline constexpr std::size_t kFrameLengthOverhead = 3;
// The 16-bit Length field limits a payload to 65532 bytes.
inline constexpr std::size_t kMaxFramePayload = 0xFFFF - kFrameLengthOverhead;
inline constexpr std::size_t kMaxFrameSize = kMaxFramePayload + kFrameHeaderSize;
// Port written into every SIP frame, whatever port the listener or the softphone uses.
inline constexpr std::uint16_t kSipFramePort = 5060;

// Frame types and control subtypes live in one table, so a value cannot be given twice.
enum class FrameCodeGroup { kType, kControlSubtype };

struct FrameCode {
    FrameCodeGroup group;
    std::uint8_t value;
    std::string_view name;
};

inline constexpr std::array<FrameCode, 5> kFrameCodes{{
    {FrameCodeGroup::kType, 1, "sip"},
    {FrameCodeGroup::kType, 2, "rtp"},
    {FrameCodeGroup::kType, 3, "control"},
    // Server asks for the RTP listener's address; the agent's reply carries the same code.
    {FrameCodeGroup::kControlSubtype, 6, "rtp-address"},
    // Server asks for the SIP listener's address; the agent's reply carries the same code.
    {FrameCodeGroup::kControlSubtype, 7, "sip-address"},
}};

constexpr bool FrameCodesAreDistinct() {
    for (std::size_t i = 0; i < kFrameCodes.size(); ++i) {
        for (std::size_t j = i + 1; j < kFrameCodes.size(); ++j) {
            const FrameCode& a = kFrameCodes[i];
            const FrameCode& b = kFrameCodes[j];
            if (a.name == b.name || (a.group == b.group && a.value == b.value)) {
                return false;
            }
        }
    }
    return true;
}
static_assert(FrameCodesAreDistinct(), "a frame type or control subtype is listed twice");

// Value of a named code; 0 (never a valid code) when the name is not in the table.
constexpr std::uint8_t FrameCodeValue(FrameCodeGroup group, std::string_view name) {
    for (const FrameCode& code : kFrameCodes) {
        if (code.group == group && code.name == name) {
            return code.value;
        }
    }
    return 0;
}

inline constexpr std::uint8_t kFrameTypeSip = FrameCodeValue(FrameCodeGroup::kType, "sip");
inline constexpr std::uint8_t kFrameTypeRtp = FrameCodeValue(FrameCodeGroup::kType, "rtp");
inline constexpr std::uint8_t kFrameTypeControl = FrameCodeValue(FrameCodeGroup::kType, "control");
inline constexpr std::uint8_t kControlRtpAddress =
    FrameCodeValue(FrameCodeGroup::kControlSubtype, "rtp-address");
inline constexpr std::uint8_t kControlSipAddress =
    FrameCodeValue(FrameCodeGroup::kControlSubtype, "sip-address");
static_assert(kFrameTypeSip != 0 && kFrameTypeRtp != 0 && kFrameTypeControl != 0 &&
              kControlRtpAddress != 0 && kControlSipAddress != 0);

// One built frame; empty when nothing was built.
using FrameBytes = std::vector<std::uint8_t>;

// Type-1 frame for a SIP message: the text up to its first zero byte. Nothing for an
// empty text or one too long for the Length field.
FrameBytes BuildSipFrame(std::string_view text);

// Type-2 frame for an RTP datagram. sourcePortNetworkOrder is the port exactly as it
// stands in the datagram's source address (sockaddr_in::sin_port); its two bytes are
// copied unchanged. Nothing when bytes is null, length is 0 or too long.
FrameBytes BuildRtpFrame(const std::uint8_t* bytes, std::size_t length,
                         std::uint16_t sourcePortNetworkOrder);

// Type-3 reply to an address request: subtype, then "address:port" in ASCII, no zero.
FrameBytes BuildAddressReply(std::uint8_t subtype, std::string_view address, std::uint16_t port);

}  // namespace ovix::agent
