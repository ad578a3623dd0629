#include "agent/core/CTunnelSock.h"

#include <gtest/gtest.h>
#include <sys/ioctl.h>

#include <thread>

#include "agent/core/AgentLogText.h"
#include "agent/core/TunnelFrame.h"
#include "agent/core/tests/SocketTestKit.h"

namespace ovix::agent {
namespace {

using namespace testing;

struct ReceivedPacket {
    std::int32_t kind;
    Bytes payload;
};

class RecordingTunnelOwner : public ITunnelOwner {
public:
    void OnPacket(const TunnelPacket& packet) override {
        Bytes payload;
        if (packet.payload) {
            payload.assign(packet.payload.get(), packet.payload.get() + packet.payloadLength);
        }
        packets.Add({packet.kind, std::move(payload)});
    }
    void Log(std::string_view line) override { log.AddLogLine(line); }
    Recorder<ReceivedPacket> packets;
    RecordingLog log;
};

class CTunnelSockTest : public ::testing::Test {
protected:
    bool ConnectToServer() {
        return tunnel.Open() == 0 && tunnel.Connect("127.0.0.1", server.Port()) == 0 &&
               server.Accept();
    }
    RecordingTunnelOwner owner;
    TcpServerPeer server;
    CTunnelSock tunnel{&owner};
};

TEST_F(CTunnelSockTest, RefusesFramesBeforeItIsConnected) {
    const Bytes frame = BuildSipFrame("INVITE");
    EXPECT_EQ(tunnel.Enqueue(frame.data(), frame.size()), -1);
    EXPECT_EQ(tunnel.Close(), -1);  // never opened: nothing to close, nothing logged
    EXPECT_FALSE(tunnel.IsConnected());
    EXPECT_TRUE(owner.log.lines.Items().empty());
}

TEST_F(CTunnelSockTest, ConnectFailuresLeaveTheRemotePortAtZero) {
    ASSERT_EQ(tunnel.Open(), 0);
    EXPECT_EQ(tunnel.Connect("", 80), -3);
    EXPECT_EQ(tunnel.RemotePort(), 0);
    // A port nobody listens on: refused.
    const std::uint16_t closedPort = [] {
        TcpServerPeer gone;
        return gone.Port();
    }();
    EXPECT_EQ(tunnel.Connect("127.0.0.1", closedPort), -2);
    EXPECT_EQ(tunnel.RemotePort(), 0);
    tunnel.Close();
    EXPECT_EQ(tunnel.Connect("127.0.0.1", server.Port()), -1);  // no socket
    // A host text longer than 255 characters is cut.
    ASSERT_EQ(tunnel.Open(), 0);
    EXPECT_NE(tunnel.Connect(std::string(300, 'a'), 80), 0);
    EXPECT_EQ(tunnel.Host().size(), CTCPClientSock::kMaxHostLength);
    tunnel.Close();
}

TEST_F(CTunnelSockTest, QueuesFramesUpTo8192BytesAndWritesThemInOrder) {
    ASSERT_TRUE(ConnectToServer());
    EXPECT_TRUE(tunnel.IsConnected());
    EXPECT_EQ(tunnel.RemotePort(), server.Port());
    EXPECT_NE(tunnel.Port(), 0);
    const Bytes largest = Pattern(8192);
    const Bytes tooLarge = Pattern(8193);
    const Bytes small = BuildSipFrame("INVITE");
    EXPECT_EQ(tunnel.Enqueue(tooLarge.data(), tooLarge.size()), -1);
    EXPECT_EQ(tunnel.Enqueue(largest.data(), largest.size()), 0);
    EXPECT_EQ(tunnel.Enqueue(small.data(), small.size()), 0);
    EXPECT_EQ(tunnel.Enqueue(nullptr, 5), -2);
    EXPECT_EQ(server.Read(largest.size() + small.size()), Concat({largest, small}));
    EXPECT_TRUE(server.Quiet(std::chrono::milliseconds(50)));
}

TEST_F(CTunnelSockTest, APartialWriteCompletesFromTheExactByte) {
    // A small send buffer and a server that reads slowly through a small window force
    // the writes to stop part-way through frames.
    TcpServerPeer slowServer(4096);
    tunnel.SetSendBufferBytes(4096);
    ASSERT_EQ(tunnel.Open(), 0);
    ASSERT_EQ(tunnel.Connect("127.0.0.1", slowServer.Port()), 0);
    ASSERT_TRUE(slowServer.Accept());
    Bytes expected;
    for (int i = 0; i < 24; ++i) {
        const Bytes frame =
            Pattern(8192 - static_cast<std::size_t>(i), static_cast<std::uint8_t>(i));
        ASSERT_EQ(tunnel.Enqueue(frame.data(), frame.size()), 0);
        expected.insert(expected.end(), frame.begin(), frame.end());
    }
    Bytes received;
    while (received.size() < expected.size()) {
        const Bytes part =
            slowServer.Read(std::min<std::size_t>(1000, expected.size() - received.size()));
        ASSERT_FALSE(part.empty()) << "stalled after " << received.size() << " bytes";
        received.insert(received.end(), part.begin(), part.end());
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_TRUE(received == expected);
}

TEST_F(CTunnelSockTest, DispatchesEveryReceivedFrameInOrder) {
    ASSERT_EQ(tunnel.StartDispatch(), 0);
    ASSERT_EQ(tunnel.StartDispatch(), 0);  // already running
    ASSERT_TRUE(ConnectToServer());
    const Bytes stream = Concat(
        {BuildSipFrame("SIP/2.0 200 OK"), Hex("00 04 03 00 00 07"), Hex("00 05 02 1F 40 AA BB")});
    // Written in pieces that split headers, so the poll thread joins them.
    server.Write(Bytes(stream.begin(), stream.begin() + 3));
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    server.Write(Bytes(stream.begin() + 3, stream.begin() + 22));
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    server.Write(Bytes(stream.begin() + 22, stream.end()));
    ASSERT_TRUE(owner.packets.WaitForCount(3));
    const auto packets = owner.packets.Items();
    EXPECT_EQ(packets[0].kind, kPacketSip);
    EXPECT_EQ(packets[0].payload, Ascii("SIP/2.0 200 OK"));
    EXPECT_EQ(packets[1].kind, kPacketControl);
    EXPECT_EQ(packets[1].payload, Hex("07"));
    EXPECT_EQ(packets[2].kind, kPacketRtp);
    EXPECT_EQ(packets[2].payload, Hex("AA BB"));
    tunnel.StopDispatch();
    EXPECT_FALSE(tunnel.DispatchRunning());
}

TEST_F(CTunnelSockTest, AServerThatClosesIsLoggedOnceAndQueuedFramesAreDropped) {
    ASSERT_TRUE(ConnectToServer());
    server.CloseConnection();
    ASSERT_TRUE(owner.log.WaitForLine(logtext::kTunnelBroken));
    for (int i = 0; i < 200 && tunnel.IsConnected(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_FALSE(tunnel.IsConnected());
    EXPECT_EQ(tunnel.RemotePort(), 0);
    EXPECT_EQ(tunnel.QueuedCount(), 0u);
    const Bytes frame = BuildSipFrame("INVITE");
    EXPECT_EQ(tunnel.Enqueue(frame.data(), frame.size()), -1);
    // Reconnects on the same object; the close that follows logs nothing more.
    ASSERT_TRUE(ConnectToServer());
    EXPECT_EQ(tunnel.Enqueue(frame.data(), frame.size()), 0);
    EXPECT_EQ(server.ReadFrame(), frame);
    tunnel.Close();
    EXPECT_FALSE(tunnel.IsConnected());
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(owner.log.Count(logtext::kTunnelBroken), 1u);
    EXPECT_EQ(owner.log.lines.Items().size(), 1u);
}

// A server that hangs up right after the accept: the hang-up can reach the poll thread
// while Connect is still starting the SendThread. Whichever comes first, the tunnel must
// end disconnected, or the relay would never connect again.
TEST_F(CTunnelSockTest, AServerThatHangsUpAtOnceLeavesItDisconnected) {
    for (int round = 0; round < 20; ++round) {
        ASSERT_EQ(tunnel.Open(), 0);
        std::thread hangUp([this] {
            if (server.Accept()) {
                server.CloseConnection();
            }
        });
        const int connected = tunnel.Connect("127.0.0.1", server.Port());
        hangUp.join();
        if (connected == 0) {
            for (int i = 0; i < 200 && tunnel.IsConnected(); ++i) {
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
        }
        EXPECT_FALSE(tunnel.IsConnected()) << "round " << round;
        tunnel.Close();
    }
}

TEST_F(CTunnelSockTest, AFrameCutOffByABreakIsNotJoinedWithTheNextConnection) {
    ASSERT_EQ(tunnel.StartDispatch(), 0);
    ASSERT_TRUE(ConnectToServer());
    server.Write(Hex("00 10 01 13 C4 41 42"));  // 14 payload bytes promised, 2 sent
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    server.CloseConnection();
    ASSERT_TRUE(owner.log.WaitForLine(logtext::kTunnelBroken));
    for (int i = 0; i < 200 && tunnel.IsConnected(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    tunnel.Close();
    ASSERT_TRUE(ConnectToServer());
    server.Write(BuildSipFrame("fresh"));
    ASSERT_TRUE(owner.packets.WaitForCount(1));
    EXPECT_EQ(owner.packets.Items()[0].payload, Ascii("fresh"));
}

// The relay stops the DispatchThread before it closes the connection, so a frame can be
// cut in between; it belongs to the stopped relay and must not reach the next one.
TEST_F(CTunnelSockTest, ARestartedDispatchDropsPacketsCutWhileItWasStopped) {
    ASSERT_EQ(tunnel.StartDispatch(), 0);
    ASSERT_TRUE(ConnectToServer());
    tunnel.StopDispatch();
    ASSERT_TRUE(server.Write(BuildSipFrame("stale")));
    // Wait until the poll thread has read (and so cut) the frame.
    int waiting = 1;
    for (int i = 0; i < 200 && waiting != 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        ASSERT_EQ(::ioctl(tunnel.Socket(), FIONREAD, &waiting), 0);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    tunnel.Close();
    ASSERT_EQ(tunnel.StartDispatch(), 0);
    ASSERT_TRUE(ConnectToServer());
    ASSERT_TRUE(server.Write(BuildSipFrame("fresh")));
    ASSERT_TRUE(owner.packets.WaitForCount(1));
    EXPECT_EQ(owner.packets.Items()[0].payload, Ascii("fresh"));
    tunnel.StopDispatch();
}

TEST_F(CTunnelSockTest, StopsPromptlyWhileTheServerDoesNotRead) {
    TcpServerPeer stuckServer(4096);
    tunnel.SetSendBufferBytes(4096);
    ASSERT_EQ(tunnel.Open(), 0);
    ASSERT_EQ(tunnel.Connect("127.0.0.1", stuckServer.Port()), 0);
    ASSERT_TRUE(stuckServer.Accept());
    const Bytes frame = Pattern(8192);
    for (int i = 0; i < 64; ++i) {
        tunnel.Enqueue(frame.data(), frame.size());
    }
    EXPECT_EQ(tunnel.Close(), 0);
    EXPECT_FALSE(tunnel.SendRunning());
    EXPECT_EQ(tunnel.QueuedCount(), 0u);
}

TEST_F(CTunnelSockTest, TheSendQueueIsBoundedWhileTheServerDoesNotRead) {
    TcpServerPeer stuckServer(4096);
    tunnel.SetSendBufferBytes(4096);
    ASSERT_EQ(tunnel.Open(), 0);
    ASSERT_EQ(tunnel.Connect("127.0.0.1", stuckServer.Port()), 0);
    ASSERT_TRUE(stuckServer.Accept());
    const Bytes frame = Pattern(8192);
    int refused = 0;
    for (std::size_t i = 0; i < CTunnelSock::kMaxQueuedFrames + 100; ++i) {
        const int queued = tunnel.Enqueue(frame.data(), frame.size());
        ASSERT_TRUE(queued == 0 || queued == -4) << queued;
        refused += queued == -4;
    }
    EXPECT_GT(refused, 0);
    EXPECT_LE(tunnel.QueuedCount(), CTunnelSock::kMaxQueuedFrames);
    EXPECT_EQ(tunnel.Close(), 0);
}

// Idle, every worker sleeps until it is given work or told to stop: the poll thread on
// its socket, the SendThread on its queue, the DispatchThread on the ready list.
TEST_F(CTunnelSockTest, IdleWorkersWakeForWorkAndStopPollAloneEndsThePollThread) {
    ASSERT_EQ(tunnel.StartDispatch(), 0);
    ASSERT_TRUE(ConnectToServer());
    // Idle past the poll thread's safety time-out.
    std::this_thread::sleep_for(std::chrono::milliseconds(CClientSock::kPollTimeoutMs + 100));
    server.Write(BuildSipFrame("SIP/2.0 200 OK"));
    ASSERT_TRUE(owner.packets.WaitForCount(1));
    EXPECT_EQ(owner.packets.Items()[0].payload, Ascii("SIP/2.0 200 OK"));
    const Bytes frame = BuildSipFrame("INVITE");
    ASSERT_EQ(tunnel.Enqueue(frame.data(), frame.size()), 0);
    EXPECT_EQ(server.ReadFrame(), frame);

    // StopPoll alone, with the connection open: the waiting poll thread ends at once.
    // Generous bound: a thread left to its safety time-out takes a whole kPollTimeoutMs.
    const auto stopping = std::chrono::steady_clock::now();
    EXPECT_EQ(tunnel.StopPoll(), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - stopping,
              std::chrono::milliseconds(CClientSock::kPollTimeoutMs / 2));
    EXPECT_FALSE(tunnel.PollRunning());
    EXPECT_TRUE(tunnel.IsConnected());

    EXPECT_EQ(tunnel.Close(), 0);
    EXPECT_FALSE(tunnel.SendRunning());
    tunnel.StopDispatch();
    EXPECT_FALSE(tunnel.DispatchRunning());
    EXPECT_TRUE(owner.log.lines.Items().empty());  // a deliberate close is not logged
}

// A bare client whose poll thread only notices the end of the connection.
class BareTcpClient final : public CTCPClientSock {
public:
    ~BareTcpClient() override { Close(); }

protected:
    int OnReceive(long, const std::uint8_t*) override { return 0; }
};

TEST(CTcpClientSendTest, WritingToAClosedConnectionFailsWithoutSigpipe) {
    TcpServerPeer server;
    BareTcpClient client;
    ASSERT_EQ(client.Open(), 0);
    ASSERT_EQ(client.Connect("127.0.0.1", server.Port()), 0);
    ASSERT_TRUE(server.Accept());
    server.CloseConnection();
    const Bytes bytes = Pattern(100);
    long result = 0;
    // The first write may still be accepted; the connection's reset then makes the
    // next one fail. Without MSG_NOSIGNAL that failure would end this process.
    for (int i = 0; i < 50 && result >= 0; ++i) {
        result = client.Send(bytes.data(), static_cast<long>(bytes.size()), 0);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_EQ(result, -1);
    EXPECT_EQ(client.Send(nullptr, 5, 0), -2);
    EXPECT_EQ(client.Send(bytes.data(), 0, 0), -2);
    client.Close();
    EXPECT_EQ(client.Send(bytes.data(), 1, 0), -1);
}

}  // namespace
}  // namespace ovix::agent
