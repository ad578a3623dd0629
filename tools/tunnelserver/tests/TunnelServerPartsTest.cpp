// The stand-in's own small parts: the bounded output queue that must never split a frame,
// and the HOST[:PORT] reader of its command line.
#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <numeric>
#include <string>
#include <vector>

#include "tools/tunnelserver/BoundedByteQueue.h"
#include "tools/tunnelserver/SocketAddress.h"

namespace ovix::tools {
namespace {

std::vector<uint8_t> Bytes(size_t count, uint8_t first) {
    std::vector<uint8_t> bytes(count);
    std::iota(bytes.begin(), bytes.end(), first);
    return bytes;
}

TEST(BoundedByteQueueTest, RefusesWholeFramesBeyondCapacityAndKeepsOrderAcrossConsumes) {
    CBoundedByteQueue queue(10);
    const auto first = Bytes(6, 0);
    const auto second = Bytes(6, 100);
    EXPECT_TRUE(queue.Append(first.data(), first.size()));
    EXPECT_FALSE(queue.Append(second.data(), second.size()));  // 12 > 10: nothing stored
    EXPECT_EQ(6u, queue.Size());

    queue.Consume(4);  // a partial write
    EXPECT_TRUE(queue.Append(second.data(), second.size()));
    ASSERT_EQ(8u, queue.Size());
    const std::vector<uint8_t> expected = {4, 5, 100, 101, 102, 103, 104, 105};
    EXPECT_EQ(expected, std::vector<uint8_t>(queue.Data(), queue.Data() + queue.Size()));

    queue.Consume(100);  // more than held: empties it
    EXPECT_TRUE(queue.Empty());
    const auto full = Bytes(10, 7);
    EXPECT_TRUE(queue.Append(full.data(), full.size()));
    EXPECT_EQ(full, std::vector<uint8_t>(queue.Data(), queue.Data() + queue.Size()));
}

TEST(BoundedByteQueueTest, LongRunOfPartialWritesNeverLosesOrRepeatsBytes) {
    CBoundedByteQueue queue(64);
    std::vector<uint8_t> written;
    uint8_t next = 0;
    for (int round = 0; round < 1000; ++round) {
        const auto frame = Bytes(static_cast<size_t>(round % 13) + 1, next);
        if (queue.Append(frame.data(), frame.size())) {
            next = static_cast<uint8_t>(next + frame.size());
        }
        const size_t take = std::min(queue.Size(), static_cast<size_t>(round % 7));
        written.insert(written.end(), queue.Data(), queue.Data() + take);
        queue.Consume(take);
    }
    written.insert(written.end(), queue.Data(), queue.Data() + queue.Size());
    for (size_t i = 0; i < written.size(); ++i) {
        ASSERT_EQ(static_cast<uint8_t>(i), written[i]) << "at byte " << i;
    }
}

TEST(SocketAddressTest, ReadsHostAndPortOrTheDefault) {
    struct Case {
        const char* text;
        bool ok;
        const char* formatted;
    };
    const Case cases[] = {
        {"127.0.0.1:5060", true, "127.0.0.1:5060"},
        {"127.0.0.1", true, "127.0.0.1:80"},
        {"localhost:0", true, "127.0.0.1:0"},
        {"127.0.0.1:65536", false, ""},
        {"127.0.0.1:", false, ""},
        {"127.0.0.1:8o", false, ""},
        {":5060", false, ""},
        {"", false, ""},
    };
    for (const Case& c : cases) {
        sockaddr_in address{};
        EXPECT_EQ(c.ok, ParseHostPort(c.text, 80, address)) << c.text;
        if (c.ok) {
            EXPECT_EQ(c.formatted, FormatHostPort(address)) << c.text;
        }
    }
}

}  // namespace
}  // namespace ovix::tools
