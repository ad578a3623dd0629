#include "updater/net/ReceiveBuffer.h"

#include <sys/socket.h>
#include <unistd.h>

#include <string>

#include <gtest/gtest.h>

namespace ovix::updater {
namespace {

// The ring reads one end of a socket pair; the test writes the other and may close it.
class ReceiveBufferTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds_), 0);
        ring_ = CReceiveBuffer::Create(fds_[0], 10240);
        ASSERT_NE(ring_, nullptr);
    }
    void TearDown() override {
        ring_.reset();
        ::close(fds_[0]);
        if (fds_[1] >= 0) {
            ::close(fds_[1]);
        }
    }
    void Feed(const std::string& bytes) {
        ASSERT_EQ(::write(fds_[1], bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }
    void ClosePeer() {
        ::close(fds_[1]);
        fds_[1] = -1;
    }
    int fds_[2] = {-1, -1};
    std::unique_ptr<CReceiveBuffer> ring_;
};

TEST_F(ReceiveBufferTest, NoBufferWithoutASocket) {
    EXPECT_EQ(CReceiveBuffer::Create(-1, 10240), nullptr);
}

TEST_F(ReceiveBufferTest, LinesEndAtLineFeedsAndLoseOnlyTheCarriageReturnBeforeThem) {
    struct Case {
        std::string bytes;
        std::string line;
    };
    const Case cases[] = {
        {"A\r\n", "A"},
        {"A\n", "A"},
        {"A\rB\n", "A\rB"},
        {"\r\n", ""},
    };
    for (const Case& c : cases) {
        Feed(c.bytes);
        char line[64];
        int status = 7;
        EXPECT_EQ(ring_->ReadLine(line, sizeof line, &status, 1000), 0);
        EXPECT_EQ(status, 0);
        EXPECT_EQ(std::string(line), c.line);
    }
}

TEST_F(ReceiveBufferTest, ALongLineComesInPiecesOfTheDestinationSize) {
    const std::string longLine(2000, 'x');
    Feed(longLine + "\r\nnext\n");
    char line[1024];
    int status = 0;
    ASSERT_EQ(ring_->ReadLine(line, sizeof line, &status, 1000), 0);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(std::string(line).size(), 1023u);
    ASSERT_EQ(ring_->ReadLine(line, sizeof line, &status, 1000), 0);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(std::string(line).size(), 977u);
    ASSERT_EQ(ring_->ReadLine(line, sizeof line, &status, 1000), 0);
    EXPECT_EQ(std::string(line), "next");

    char tiny[1] = {'z'};
    EXPECT_EQ(ring_->ReadLine(tiny, 1, &status, 1000), 0);
    EXPECT_EQ(tiny[0], '\0');
}

TEST_F(ReceiveBufferTest, AnUnfinishedLineAtThePeersCloseFails) {
    Feed("partial");
    ClosePeer();
    char line[64];
    int status = 0;
    EXPECT_EQ(ring_->ReadLine(line, sizeof line, &status, 1000), -1);
    EXPECT_EQ(status, -1);
    EXPECT_EQ(ring_->GetByte(1000), CReceiveBuffer::kNoByte);
}

TEST_F(ReceiveBufferTest, BlocksTakeWhatIsHeldWithoutAnotherReceive) {
    Feed("HEAD\nbody-bytes");
    char line[64];
    int status = 0;
    ASSERT_EQ(ring_->ReadLine(line, sizeof line, &status, 1000), 0);
    char block[64] = {};
    EXPECT_EQ(ring_->ReadBlock(block, 4, 1000), 4);
    EXPECT_EQ(std::string(block, 4), "body");
    EXPECT_EQ(ring_->ReadBlock(block, sizeof block, 1000), 6);
    EXPECT_EQ(std::string(block, 6), "-bytes");
    ClosePeer();
    EXPECT_EQ(ring_->ReadBlock(block, sizeof block, 1000), 0);
}

TEST_F(ReceiveBufferTest, ABlockFromAnEmptyRingMayBeLargerThanTheRing) {
    auto small = CReceiveBuffer::Create(fds_[0], 7);
    Feed("twenty-bytes-of-body");
    char block[64] = {};
    EXPECT_EQ(small->ReadBlock(block, sizeof block, 1000), 20);
    EXPECT_EQ(std::string(block, 20), "twenty-bytes-of-body");
    EXPECT_EQ(small->Count(), 0);
}

TEST_F(ReceiveBufferTest, BytesWrapAroundTheRingInOrder) {
    // Small ring: every fill after the first lands across its end.
    auto small = CReceiveBuffer::Create(fds_[0], 7);
    std::string sent;
    std::string got;
    for (int round = 0; round < 40; ++round) {
        const std::string piece = "r" + std::to_string(round) + "\n";
        sent += piece;
        Feed(piece);
        char line[16];
        int status = 0;
        ASSERT_EQ(small->ReadLine(line, sizeof line, &status, 1000), 0);
        got += std::string(line) + "\n";
    }
    EXPECT_EQ(got, sent);
}

}  // namespace
}  // namespace ovix::updater
