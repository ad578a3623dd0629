#include "agent/core/TunnelFrame.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

#include "agent/core/tests/TestBytes.h"

namespace ovix::agent {
namespace {

using testing::Ascii;
using testing::Bytes;
using testing::Concat;
using testing::Hex;
using testing::Pattern;
using testing::ToHex;

struct BuildCase {
    const char* name;
    std::function<FrameBytes()> build;
    Bytes expected;  // empty: nothing is built
};

std::string AsText(const Bytes& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

TEST(TunnelFrameTest, BuildersWriteTheDocumentedBytes) {
    const Bytes sip400 = Pattern(400);
    const Bytes rtp172 = Pattern(172, 7);
    const Bytes sipMax = Pattern(kMaxFramePayload);
    const BuildCase cases[] = {
        {"400-byte SIP message", [&] { return BuildSipFrame(AsText(sip400)); },
         Concat({Hex("01 93 01 13 C4"), sip400})},
        {"172-byte RTP datagram from port 8000",
         [&] { return BuildRtpFrame(rtp172.data(), rtp172.size(), htons(8000)); },
         Concat({Hex("00 AF 02 1F 40"), rtp172})},
        {"SIP address reply", [] { return BuildAddressReply(7, "192.168.1.20", 5060); },
         Concat({Hex("00 15 03 00 00 07"), Ascii("192.168.1.20:5060")})},
        {"RTP address reply", [] { return BuildAddressReply(6, "10.0.0.7", 10000); },
         Concat({Hex("00 12 03 00 00 06"), Ascii("10.0.0.7:10000")})},
        {"reply for a closed listener", [] { return BuildAddressReply(6, "", 0); },
         Concat({Hex("00 06 03 00 00 06"), Ascii(":0")})},
        {"SIP text stops at its first zero byte",
         [] { return BuildSipFrame(std::string_view("ABC\0DEF", 7)); },
         Hex("00 06 01 13 C4 41 42 43")},
        {"one-byte RTP datagram keeps the port bytes as stored",
         [] {
             const std::uint8_t b = 0x80;
             std::uint16_t stored;
             const std::uint8_t wire[2] = {0x12, 0x34};
             std::memcpy(&stored, wire, 2);
             return BuildRtpFrame(&b, 1, stored);
         },
         Hex("00 04 02 12 34 80")},
        {"largest SIP text", [&] { return BuildSipFrame(AsText(sipMax)); },
         Concat({Hex("FF FF 01 13 C4"), sipMax})},
        {"empty SIP text", [] { return BuildSipFrame(""); }, {}},
        {"SIP text that starts with a zero byte",
         [] { return BuildSipFrame(std::string_view("\0ABC", 4)); },
         {}},
        {"SIP text too long for the Length field",
         [&] { return BuildSipFrame(AsText(Pattern(kMaxFramePayload + 1))); },
         {}},
        {"RTP datagram of zero length", [&] { return BuildRtpFrame(rtp172.data(), 0, 1); }, {}},
        {"RTP datagram without bytes", [] { return BuildRtpFrame(nullptr, 10, 1); }, {}},
    };
    for (const BuildCase& c : cases) {
        SCOPED_TRACE(c.name);
        const FrameBytes frame = c.build();
        EXPECT_EQ(ToHex(frame), ToHex(c.expected));
    }
}

TEST(TunnelFrameTest, CodesComeFromOneTable) {
    EXPECT_EQ(kFrameTypeSip, 1);
    EXPECT_EQ(kFrameTypeRtp, 2);
    EXPECT_EQ(kFrameTypeControl, 3);
    EXPECT_EQ(kControlRtpAddress, 6);
    EXPECT_EQ(kControlSipAddress, 7);
    EXPECT_EQ(FrameCodeValue(FrameCodeGroup::kType, "rtp-address"), 0);
}

}  // namespace
}  // namespace ovix::agent
