#include "agent/core/CFrameAssembler.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <thread>

#include "agent/core/TunnelFrame.h"
#include "agent/core/tests/ReferenceAssembler.h"
#include "agent/core/tests/TestBytes.h"

namespace ovix::agent {
namespace {

using testing::Ascii;
using testing::Bytes;
using testing::Concat;
using testing::DrainReady;
using testing::Hex;
using testing::Pattern;
using testing::ReferenceAssembler;
using testing::SimplePacket;

SimplePacket Packet(std::int32_t kind, Bytes payload = {}) {
    return {kind, std::move(payload)};
}

struct Fed {
    std::vector<SimplePacket> packets;
    std::size_t pending = 0;
};

Fed FeedChunks(const std::vector<Bytes>& chunks) {
    CFrameAssembler assembler;
    bool zeroTerminated = true;
    for (const Bytes& chunk : chunks) {
        assembler.Feed(chunk.data(), chunk.size());
    }
    Fed fed{DrainReady(assembler, &zeroTerminated), assembler.PendingSize()};
    EXPECT_TRUE(zeroTerminated);
    return fed;
}

struct CutCase {
    const char* name;
    std::vector<Bytes> chunks;
    std::vector<SimplePacket> expected;
    std::size_t pending;
};

TEST(CFrameAssemblerTest, CutsStreamsAsDocumented) {
    const Bytes sip = BuildSipFrame("INVITE");
    const Bytes rtp = Hex("00 06 02 1F 40 01 02 03");
    const CutCase cases[] = {
        {"two frames in one chunk",
         {Concat({sip, rtp})},
         {Packet(kPacketSip, Ascii("INVITE")), Packet(kPacketRtp, Hex("01 02 03"))},
         0},
        {"frame over three chunks",
         {Bytes(sip.begin(), sip.begin() + 2), Bytes(sip.begin() + 2, sip.begin() + 7),
          Bytes(sip.begin() + 7, sip.end())},
         {Packet(kPacketSip, Ascii("INVITE"))},
         0},
        {"chunk ends one byte into the next header",
         {Concat({sip, Hex("00")}), Bytes(rtp.begin() + 1, rtp.end())},
         {Packet(kPacketSip, Ascii("INVITE")), Packet(kPacketRtp, Hex("01 02 03"))},
         0},
        {"chunk ends four bytes into the next header",
         {Concat({sip, Hex("00 06 02 1F")}), Hex("40 01 02 03")},
         {Packet(kPacketSip, Ascii("INVITE")), Packet(kPacketRtp, Hex("01 02 03"))},
         0},
        {"address request", {Hex("00 04 03 00 00 07")}, {Packet(kPacketControl, Hex("07"))}, 0},
        {"header alone with Length 3", {Hex("00 03 03 00 00")}, {Packet(kPacketControl)}, 0},
        {"header alone with Length 4 waits", {Hex("00 04 03 00 00")}, {}, 5},
        {"header with Length 4, then its byte",
         {Hex("00 04 03 00 00"), Hex("07")},
         {Packet(kPacketControl, Hex("07"))},
         0},
        {"start of a header is kept", {Hex("00 04 03")}, {}, 3},
        {"Length 0 resumes at offset 2",
         {Hex("00 00 00 04 02 00 00 EE")},
         {Packet(kPacketOther), Packet(kPacketRtp, Hex("EE"))},
         0},
        {"Length 1 resumes at offset 3",
         {Hex("00 01 03 00 04 01 13 C4 41")},
         {Packet(kPacketControl), Packet(kPacketSip, Hex("41"))},
         0},
        {"Length 2 resumes at offset 4",
         {Hex("00 02 01 07 00 03 02 00 00")},
         {Packet(kPacketSip), Packet(kPacketRtp)},
         0},
        {"malformed Length in a run of exactly 5 bytes is consumed whole",
         {Hex("00 01 01 00 00")},
         {Packet(kPacketSip)},
         0},
        {"Length 0 in a kept header, resumed with the next chunk",
         {Hex("00 00 02 00"), Hex("05 01 00 00 41 42")},
         // run 00 00 02 00 05 01 00 00 41 42: Length 0 at 0, then 02 00 ... at offset 2
         {Packet(kPacketRtp)},
         8},
        {"type 0 is another kind",
         {Hex("00 04 00 00 00 AA")},
         {Packet(kPacketOther, Hex("AA"))},
         0},
        {"type 4 is another kind",
         {Hex("00 04 04 00 00 AA")},
         {Packet(kPacketOther, Hex("AA"))},
         0},
        {"empty chunk changes nothing",
         {Hex("00 04"), Bytes{}, Hex("03 00 00 07")},
         {Packet(kPacketControl, Hex("07"))},
         0},
    };
    for (const CutCase& c : cases) {
        SCOPED_TRACE(c.name);
        const Fed fed = FeedChunks(c.chunks);
        EXPECT_EQ(fed.packets, c.expected);
        EXPECT_EQ(fed.pending, c.pending);
        // The plain join-everything model agrees on every case.
        ReferenceAssembler reference;
        for (const Bytes& chunk : c.chunks) {
            reference.Feed(chunk.data(), chunk.size());
        }
        EXPECT_EQ(reference.packets, c.expected);
        EXPECT_EQ(reference.PendingSize(), c.pending);
    }
}

TEST(CFrameAssemblerTest, NoPacketBeforeTheLastByteOfAFrame) {
    const Bytes frame = BuildSipFrame("REGISTER sip:example SIP/2.0");
    CFrameAssembler assembler;
    for (std::size_t i = 0; i + 1 < frame.size(); ++i) {
        assembler.Feed(&frame[i], 1);
        ASSERT_EQ(assembler.ReadyCount(), 0u) << "after byte " << i;
    }
    assembler.Feed(&frame.back(), 1);
    ASSERT_EQ(assembler.ReadyCount(), 1u);
    EXPECT_EQ(assembler.Front()->Text(), "REGISTER sip:example SIP/2.0");
    EXPECT_EQ(assembler.PendingSize(), 0u);
}

// A well-formed stream of frames of many sizes, with every kind.
Bytes MultiFrameStream(std::vector<SimplePacket>* expected) {
    Bytes stream;
    auto add = [&](const Bytes& frame, SimplePacket packet) {
        stream.insert(stream.end(), frame.begin(), frame.end());
        expected->push_back(std::move(packet));
    };
    const Bytes big = Pattern(4096, 3);
    add(BuildSipFrame("INVITE sip:a@b SIP/2.0\r\n\r\n"),
        Packet(kPacketSip, Ascii("INVITE sip:a@b SIP/2.0\r\n\r\n")));
    add(BuildRtpFrame(big.data(), big.size(), htons(8000)), Packet(kPacketRtp, big));
    add(Hex("00 04 03 00 00 06"), Packet(kPacketControl, Hex("06")));
    add(Hex("00 03 09 00 00"), Packet(kPacketOther));
    add(BuildAddressReply(7, "127.0.0.1", 5060), Packet(kPacketControl, Ascii("\x07"
                                                                              "127.0.0.1:5060")));
    for (std::uint8_t i = 1; i <= 6; ++i) {
        const Bytes small = Pattern(i, i);
        add(BuildRtpFrame(small.data(), small.size(), 0), Packet(kPacketRtp, small));
    }
    return stream;
}

TEST(CFrameAssemblerTest, EveryTwoWaySplitGivesTheUnsplitResult) {
    std::vector<SimplePacket> expected;
    const Bytes stream = MultiFrameStream(&expected);
    ASSERT_EQ(FeedChunks({stream}).packets, expected);
    for (std::size_t cut = 1; cut < stream.size(); ++cut) {
        const Fed fed = FeedChunks({Bytes(stream.begin(), stream.begin() + cut),
                                    Bytes(stream.begin() + cut, stream.end())});
        ASSERT_EQ(fed.packets, expected) << "split at " << cut;
        ASSERT_EQ(fed.pending, 0u);
    }
}

TEST(CFrameAssemblerTest, RandomChunkingsGiveTheUnsplitResult) {
    std::vector<SimplePacket> expected;
    const Bytes stream = MultiFrameStream(&expected);
    std::mt19937 random(20261211);
    for (int round = 0; round < 300; ++round) {
        std::vector<Bytes> chunks;
        std::size_t at = 0;
        const std::size_t maxChunk = round % 2 ? 12 : 3000;
        while (at < stream.size()) {
            const std::size_t n =
                std::min(stream.size() - at, std::size_t{1} + random() % maxChunk);
            chunks.emplace_back(stream.begin() + at, stream.begin() + at + n);
            at += n;
        }
        const Fed fed = FeedChunks(chunks);
        ASSERT_EQ(fed.packets, expected) << "round " << round;
        ASSERT_EQ(fed.pending, 0u);
    }
}

TEST(CFrameAssemblerTest, EveryTruncationKeepsExactlyTheUnfinishedFrame) {
    std::vector<SimplePacket> expected;
    const Bytes stream = MultiFrameStream(&expected);
    // Frame boundaries, to know which frames a prefix holds whole.
    std::vector<std::size_t> ends;
    for (std::size_t at = 0; at < stream.size();) {
        at += ((std::size_t{stream[at]} << 8) | stream[at + 1]) + 2;
        ends.push_back(at);
    }
    for (std::size_t size = 0; size <= stream.size(); ++size) {
        std::size_t whole = 0;
        while (whole < ends.size() && ends[whole] <= size) {
            ++whole;
        }
        const std::size_t consumed = whole ? ends[whole - 1] : 0;
        CFrameAssembler assembler;
        assembler.Feed(stream.data(), size);
        ASSERT_EQ(assembler.ReadyCount(), whole) << "prefix " << size;
        ASSERT_EQ(assembler.PendingSize(), size - consumed) << "prefix " << size;
        // The rest of the stream completes it.
        assembler.Feed(stream.data() + size, stream.size() - size);
        ASSERT_EQ(DrainReady(assembler, nullptr), expected) << "prefix " << size;
    }
}

TEST(CFrameAssemblerTest, AgreesWithThePlainModelOnArbitraryBytes) {
    std::mt19937 random(7);
    for (int round = 0; round < 400; ++round) {
        Bytes stream(1 + random() % 300);
        for (auto& b : stream) {
            // Mostly small Length bytes, so malformed and short frames are common.
            b = static_cast<std::uint8_t>(random() % 4 == 0 ? random() : random() % 8);
        }
        CFrameAssembler assembler;
        ReferenceAssembler reference;
        for (std::size_t at = 0; at < stream.size();) {
            const std::size_t n = std::min(stream.size() - at, std::size_t{1} + random() % 9);
            assembler.Feed(stream.data() + at, n);
            reference.Feed(stream.data() + at, n);
            at += n;
        }
        bool zeroTerminated = true;
        ASSERT_EQ(DrainReady(assembler, &zeroTerminated), reference.packets) << "round " << round;
        ASSERT_EQ(assembler.PendingSize(), reference.PendingSize());
        ASSERT_TRUE(zeroTerminated);
    }
}

TEST(CFrameAssemblerTest, ClearingEmptiesBothLists) {
    CFrameAssembler assembler;
    const Bytes bytes = Hex("00 04 03 00 00 07 00 09 01");
    assembler.Feed(bytes.data(), bytes.size());
    assembler.Feed(nullptr, 5);
    EXPECT_EQ(assembler.ReadyCount(), 1u);
    EXPECT_EQ(assembler.PendingSize(), 3u);
    assembler.ClearReady();
    assembler.ClearPending();
    EXPECT_EQ(assembler.ReadyCount(), 0u);
    EXPECT_EQ(assembler.Front(), nullptr);
    EXPECT_EQ(assembler.PendingSize(), 0u);
    assembler.PopFront();  // harmless on an empty list
    const Bytes next = Hex("00 03 02 00 00");
    assembler.Feed(next.data(), next.size());
    EXPECT_EQ(DrainReady(assembler, nullptr), std::vector<SimplePacket>{Packet(kPacketRtp)});
}

TEST(CFrameAssemblerTest, TheReadyListIsBoundedAndCountsWhatItDrops) {
    CFrameAssembler assembler;
    const Bytes frame = Hex("00 03 02 00 00");
    Bytes stream;
    for (std::size_t i = 0; i < CFrameAssembler::kMaxReadyPackets + 10; ++i) {
        stream.insert(stream.end(), frame.begin(), frame.end());
    }
    assembler.Feed(stream.data(), stream.size());
    EXPECT_EQ(assembler.ReadyCount(), CFrameAssembler::kMaxReadyPackets);
    EXPECT_EQ(assembler.DroppedCount(), 10u);
    EXPECT_EQ(assembler.PendingSize(), 0u);
    assembler.PopFront();  // room for one more
    assembler.Feed(frame.data(), frame.size());
    assembler.Feed(frame.data(), frame.size());
    EXPECT_EQ(assembler.ReadyCount(), CFrameAssembler::kMaxReadyPackets);
    EXPECT_EQ(assembler.DroppedCount(), 11u);
}

TEST(CFrameAssemblerTest, AWaitingReaderWakesForAPacketAndForStop) {
    CFrameAssembler assembler;
    std::atomic<bool> stop{false};
    bool woke = false;
    std::thread reader([&] { woke = assembler.WaitForReady(std::chrono::seconds(10), stop); });
    const Bytes bytes = Hex("00 04 03 00 00 07");
    assembler.Feed(bytes.data(), bytes.size());
    reader.join();
    EXPECT_TRUE(woke);
    assembler.PopFront();

    std::thread stopped([&] { woke = assembler.WaitForReady(std::chrono::seconds(10), stop); });
    stop = true;
    assembler.WakeWaiters();
    stopped.join();
    EXPECT_FALSE(woke);
}

TEST(CFrameAssemblerTest, FrontStaysValidWhileMorePacketsArrive) {
    CFrameAssembler assembler;
    const Bytes first = BuildSipFrame("first");
    assembler.Feed(first.data(), first.size());
    TunnelPacket* front = assembler.Front();
    const Bytes more = BuildSipFrame("more");
    for (int i = 0; i < 1000; ++i) {
        assembler.Feed(more.data(), more.size());
    }
    EXPECT_EQ(front, assembler.Front());
    EXPECT_EQ(front->Text(), "first");
}

}  // namespace
}  // namespace ovix::agent
