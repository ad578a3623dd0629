#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <ifaddrs.h>

#include <atomic>
#include <set>
#include <thread>

#include "agent/core/CRtpServerSock.h"
#include "agent/core/CSipServerSock.h"
#include "agent/core/tests/SocketTestKit.h"

namespace ovix::agent {
namespace {

using namespace testing;
using ::testing::HasSubstr;

const PinLocalAddresses kPinned("127.0.0.1");

constexpr std::uint16_t kBuffer = 4096;

TEST(UdpListenerTest, PortInUseFailsWithTheTraceAndLeavesTheListenerClosed) {
    UdpPeer holder;
    ASSERT_TRUE(holder.Valid());
    CSipServerSock listener(nullptr, kBuffer);
    ::testing::internal::CaptureStdout();
    const int opened = listener.OpenAt("127.0.0.1", holder.Port());
    const std::string trace = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(opened, -20);
    EXPECT_THAT(trace, HasSubstr("CUDPServerSock::Open - Open failed!\r\n"));
    EXPECT_EQ(listener.Socket(), CBaseSock::kInvalidSocket);
    EXPECT_EQ(listener.Port(), 0);
    EXPECT_EQ(listener.SipPort(), holder.Port());  // the port tried is kept
    EXPECT_EQ(listener.RunningCount(), 0);
}

TEST(UdpListenerTest, OpenWritesTheServerAndWorkerTraces) {
    CSipServerSock listener(nullptr, kBuffer);
    ::testing::internal::CaptureStdout();
    ASSERT_EQ(listener.OpenAt("127.0.0.1", 0), 0);
    listener.Close();
    const std::string trace = ::testing::internal::GetCapturedStdout();
    EXPECT_THAT(trace, HasSubstr("server ip : 127.0.0.1, port : "));
    EXPECT_THAT(trace, HasSubstr("CUDPServerSock::Open - SetNonblock ...\r\n"));
    EXPECT_THAT(trace, HasSubstr("CServerSock::WorkThread - has been enter! (ThreadIdx : 0)\r\n"));
}

TEST(UdpListenerTest, SipTextStopsAtTheFirstZeroByte) {
    RecordingListenerOwner owner;
    CSipServerSock listener(&owner, kBuffer);
    ASSERT_EQ(listener.OpenAt("127.0.0.1", 0), 0);
    UdpPeer phone;
    phone.SendTo(listener.Port(), Concat({Ascii("ABC"), Hex("00"), Ascii("more bytes")}));
    ASSERT_TRUE(owner.sip.WaitForCount(1));
    EXPECT_EQ(owner.sip.Items()[0], "ABC");
}

TEST(UdpListenerTest, RepliesGoToTheLatestSender) {
    RecordingListenerOwner owner;
    CSipServerSock listener(&owner, kBuffer);
    ASSERT_EQ(listener.OpenAt("127.0.0.1", 0), 0);
    const Bytes reply = Ascii("SIP/2.0 200 OK");
    EXPECT_EQ(listener.SendToPeer(reply.data(), reply.size()), -1);  // nobody sent yet

    UdpPeer first;
    UdpPeer second;
    first.SendTo(listener.Port(), Ascii("one"));
    ASSERT_TRUE(owner.sip.WaitForCount(1));
    EXPECT_EQ(listener.SendToPeer(reply.data(), reply.size()), static_cast<long>(reply.size()));
    EXPECT_EQ(first.Receive(), reply);

    second.SendTo(listener.Port(), Ascii("two"));
    ASSERT_TRUE(owner.sip.WaitForCount(2));
    listener.SendToPeer(reply.data(), reply.size());
    EXPECT_EQ(second.Receive(), reply);
    EXPECT_FALSE(first.Receive(std::chrono::milliseconds(50)));
}

TEST(UdpListenerTest, OversizedAndEmptyDatagramsAreDroppedWithoutBlockingTheNext) {
    RecordingListenerOwner owner;
    CSipServerSock listener(&owner, kBuffer);
    ASSERT_EQ(listener.OpenAt("127.0.0.1", 0), 0);
    UdpPeer phone;
    phone.SendTo(listener.Port(), Pattern(kBuffer + 1));  // would be cut: never relayed
    phone.SendTo(listener.Port(), Bytes{});
    phone.SendTo(listener.Port(), Pattern(kBuffer));  // exactly the buffer: relayed
    phone.SendTo(listener.Port(), Ascii("after"));
    ASSERT_TRUE(owner.sip.WaitForCount(2));
    const auto texts = owner.sip.Items();
    const Bytes whole = Pattern(kBuffer);
    EXPECT_EQ(texts[0], std::string(whole.begin(), whole.end()));
    EXPECT_EQ(texts[1], "after");
}

TEST(UdpListenerTest, RtpWorkersHandEveryDatagramOnceWithItsSourcePort) {
    RecordingListenerOwner owner;
    CRtpServerSock listener(&owner, kBuffer);
    ASSERT_EQ(listener.OpenAt("127.0.0.1", 0), 0);
    UdpPeer phone;
    constexpr int kCount = 200;
    for (int i = 0; i < kCount; ++i) {
        Bytes datagram = Pattern(172);
        datagram[0] = static_cast<std::uint8_t>(i);
        datagram[1] = static_cast<std::uint8_t>(i >> 8);
        phone.SendTo(listener.Port(), datagram);
    }
    ASSERT_TRUE(owner.rtp.WaitForCount(kCount));
    std::set<int> seen;
    for (const RtpDatagram& datagram : owner.rtp.Items()) {
        EXPECT_EQ(datagram.sourcePortNetworkOrder, htons(phone.Port()));
        ASSERT_EQ(datagram.bytes.size(), 172u);
        seen.insert(datagram.bytes[0] | (datagram.bytes[1] << 8));
    }
    EXPECT_EQ(seen.size(), static_cast<std::size_t>(kCount));
    // The reply goes back to the phone's port.
    const Bytes reply = Pattern(160, 5);
    listener.SendToPeer(reply.data(), reply.size());
    EXPECT_EQ(phone.Receive(), reply);
}

TEST(UdpListenerTest, WorkerCountsAreBounded) {
    CRtpServerSock listener(nullptr, kBuffer);
    EXPECT_EQ(listener.StopWorkers(), -1);  // none started
    EXPECT_EQ(listener.StartWorkers(0), -1);
    EXPECT_EQ(listener.StartWorkers(1001), -1);
    ASSERT_EQ(listener.OpenAt("127.0.0.1", 0), 0);
    // Refused at once, even before the started workers have reached their loop.
    EXPECT_EQ(listener.StartWorkers(1), -2);
    EXPECT_EQ(listener.Close(), 0);
    EXPECT_EQ(listener.StartWorkers(1000), 0);
    EXPECT_EQ(listener.StopWorkers(), 0);
    EXPECT_EQ(listener.RunningCount(), 0);
}

TEST(UdpListenerTest, CloseEndsEveryWorkerAndIsHarmlessTwice) {
    RecordingListenerOwner owner;
    CRtpServerSock listener(&owner, kBuffer);
    ASSERT_EQ(listener.OpenAt("127.0.0.1", 0), 0);
    const std::uint16_t port = listener.Port();
    for (int i = 0; i < 200 && listener.RunningCount() < CRtpServerSock::kWorkers; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_EQ(listener.RunningCount(), CRtpServerSock::kWorkers);
    EXPECT_EQ(listener.Close(), 0);
    EXPECT_EQ(listener.RunningCount(), 0);
    EXPECT_EQ(listener.Port(), 0);
    EXPECT_EQ(listener.Socket(), CBaseSock::kInvalidSocket);
    EXPECT_NE(listener.Close(), 0);  // closing a closed listener only fails quietly
    // The port is free again and nothing reaches the old owner.
    UdpPeer phone;
    phone.SendTo(port, Ascii("late"));
    EXPECT_FALSE(owner.rtp.WaitForCount(1, std::chrono::milliseconds(50)));
    // Reopened on the same object.
    ASSERT_EQ(listener.OpenAt("127.0.0.1", port), 0);
    phone.SendTo(port, Ascii("again"));
    EXPECT_TRUE(owner.rtp.WaitForCount(1));
}

// Idle workers sleep in their wait until a datagram or a stop comes; neither may have to
// wait for the wait's safety time-out.
TEST(UdpListenerTest, IdleWorkersDeliverAtOnceAndStopWithoutTheSocketClosing) {
    RecordingListenerOwner owner;
    CRtpServerSock listener(&owner, kBuffer);
    ASSERT_EQ(listener.OpenAt("127.0.0.1", 0), 0);
    for (int i = 0; i < 200 && listener.RunningCount() < CRtpServerSock::kWorkers; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_EQ(listener.RunningCount(), CRtpServerSock::kWorkers);
    // Idle past one safety time-out, so the workers have also been through that path.
    std::this_thread::sleep_for(std::chrono::milliseconds(CServerSock::kPollTimeoutMs + 100));
    UdpPeer phone;
    phone.SendTo(listener.Port(), Ascii("after a quiet while"));
    ASSERT_TRUE(owner.rtp.WaitForCount(1));
    EXPECT_EQ(owner.rtp.Items()[0].bytes, Ascii("after a quiet while"));

    // StopWorkers alone, with the socket open and not shut: every one of the five
    // workers must see the stop, not only the first to wake. Generous bound: a worker
    // left to its safety time-out takes a whole kPollTimeoutMs.
    const auto stopping = std::chrono::steady_clock::now();
    EXPECT_EQ(listener.StopWorkers(), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - stopping,
              std::chrono::milliseconds(CServerSock::kPollTimeoutMs / 2));
    EXPECT_EQ(listener.RunningCount(), 0);
    EXPECT_NE(listener.Socket(), CBaseSock::kInvalidSocket);

    // Started again on the same socket, the workers wait and deliver as before.
    ASSERT_EQ(listener.StartWorkers(CRtpServerSock::kWorkers), 0);
    phone.SendTo(listener.Port(), Ascii("again"));
    ASSERT_TRUE(owner.rtp.WaitForCount(2));
    EXPECT_EQ(owner.rtp.Items()[1].bytes, Ascii("again"));
    EXPECT_EQ(listener.Close(), 0);
    EXPECT_EQ(listener.RunningCount(), 0);
}

TEST(UdpListenerTest, SendingWhileClosingIsSafe) {
    RecordingListenerOwner owner;
    CSipServerSock listener(&owner, kBuffer);
    UdpPeer phone;
    for (int round = 0; round < 20; ++round) {
        ASSERT_EQ(listener.OpenAt("127.0.0.1", 0), 0);
        phone.SendTo(listener.Port(), Ascii("hello"));
        ASSERT_TRUE(owner.sip.WaitForCount(static_cast<std::size_t>(round) + 1));
        std::atomic<bool> done{false};
        std::thread sender([&] {
            const Bytes reply = Ascii("reply");
            while (!done.load()) {
                listener.SendToPeer(reply.data(), reply.size());
            }
        });
        listener.Close();
        done = true;
        sender.join();
        while (phone.Receive(std::chrono::milliseconds(0))) {
        }
    }
}

// The first IPv4 address of this host outside 127/8, if it has one.
std::optional<in_addr_t> OutsideLoopbackAddress() {
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0) {
        return std::nullopt;
    }
    std::optional<in_addr_t> found;
    for (ifaddrs* entry = list; entry != nullptr && !found; entry = entry->ifa_next) {
        if (entry->ifa_addr != nullptr && entry->ifa_addr->sa_family == AF_INET) {
            const auto* address = reinterpret_cast<const sockaddr_in*>(entry->ifa_addr);
            if ((ntohl(address->sin_addr.s_addr) >> 24) != 127) {
                found = address->sin_addr.s_addr;
            }
        }
    }
    ::freeifaddrs(list);
    return found;
}

TEST(UdpListenerTest, DatagramFromAnAddressOutsideTheListIsNotRelayed) {
    // Only the loopback range and the pinned list (127.0.0.1) count as this host here,
    // so a datagram sent to 127.0.0.1 from the host's other address stands for one
    // that came from elsewhere.
    const auto outside = OutsideLoopbackAddress();
    if (!outside) {
        GTEST_SKIP() << "this host has no IPv4 address outside 127/8";
    }
    RecordingListenerOwner owner;
    CSipServerSock listener(&owner, kBuffer);
    ASSERT_EQ(listener.OpenAt("127.0.0.1", 0), 0);
    UdpPeer local;
    local.SendTo(listener.Port(), Ascii("local"));
    ASSERT_TRUE(owner.sip.WaitForCount(1));
    UdpPeer stranger(0, *outside);
    ASSERT_TRUE(stranger.Valid());
    stranger.SendTo(listener.Port(), Ascii("stranger"));
    local.SendTo(listener.Port(), Ascii("local again"));
    ASSERT_TRUE(owner.sip.WaitForCount(2));
    EXPECT_EQ(owner.sip.Items()[1], "local again");
    // The peer is still the local sender.
    const Bytes reply = Ascii("reply");
    listener.SendToPeer(reply.data(), reply.size());
    EXPECT_EQ(local.Receive(), reply);
    EXPECT_FALSE(stranger.Receive(std::chrono::milliseconds(50)));
}

}  // namespace
}  // namespace ovix::agent
