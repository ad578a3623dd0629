// The relay core with real sockets: a UDP peer plays the softphone, an in-test TCP
// server plays the tunnel server. The listeners search from ports 5060 and 10000, so
// these tests hold the locks on those ports.
#include "agent/core/CSipAgent.h"

#include <gtest/gtest.h>

#include <thread>

#include "agent/core/AgentLogText.h"
#include "agent/core/TunnelFrame.h"
#include "agent/core/tests/SocketTestKit.h"

namespace ovix::agent {
namespace {

using namespace testing;

const PinLocalAddresses kPinned("127.0.0.1");

TEST(CSipAgentParseTest, ServerTextGivesHostAndPort) {
    struct Case {
        const char* text;
        const char* host;
        std::uint16_t port;
    } cases[] = {
        {"10.1.2.3:8080", "10.1.2.3", 8080},
        {"10.1.2.3", "10.1.2.3", 80},
        {"ts.example.net:443", "ts.example.net", 443},
        {"host:", "host", 0},
        {"host:abc", "host", 0},
        {"host:81abc", "host", 81},
        {"host:70000", "host", 4464},  // kept to 16 bits
        {"a:1:2", "a", 1},
        {"", "", 80},
    };
    for (const Case& c : cases) {
        const TunnelServerTarget target = CSipAgent::ParseServerText(c.text);
        EXPECT_EQ(target.host, c.host) << c.text;
        EXPECT_EQ(target.port, c.port) << c.text;
    }
}

class CSipAgentTest : public ::testing::Test {
protected:
    void SetUp() override { agent.SetLogSink(&log); }
    void TearDown() override {
        agent.StopRelay();
        agent.SetLogSink(nullptr);
    }

    // Starts the relay against the in-test server; the listeners' ports are then known.
    void Start() {
        agent.StartRelay("127.0.0.1:" + std::to_string(server.Port()));
        ASSERT_NE(agent.SipBoundPort(), 0);
        ASSERT_NE(agent.RtpPort(), 0);
    }

    // Sends the first SIP datagram, which opens the connection and is itself dropped.
    void OpenTunnel() {
        ASSERT_TRUE(phone.SendTo(agent.SipBoundPort(), Ascii("OPTIONS first")));
        ASSERT_TRUE(server.Accept());
        ASSERT_TRUE(log.WaitForLine(logtext::TunnelConnected("127.0.0.1")));
    }

    bool WaitConnected(bool connected) {
        for (int i = 0; i < 400; ++i) {
            if (agent.IsConnected() == connected) {
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return false;
    }

    RecordingLog log;
    TcpServerPeer server;
    UdpPeer phone;
    UdpPeer phoneRtp;
    CSipAgent agent;
};

TEST_F(CSipAgentTest, SipTravelsBothWays) {
    Start();
    OpenTunnel();
    EXPECT_TRUE(log.WaitForLine("OPTIONS first"));
    // The datagram that opened the connection was not relayed; the next one is.
    phone.SendTo(agent.SipBoundPort(), Ascii("INVITE sip:bob SIP/2.0\r\n\r\n"));
    EXPECT_EQ(server.ReadFrame(), BuildSipFrame("INVITE sip:bob SIP/2.0\r\n\r\n"));
    EXPECT_TRUE(log.WaitForLine("INVITE sip:bob SIP/2.0\r\n\r\n"));

    server.Write(BuildSipFrame("SIP/2.0 200 OK\r\n\r\n"));
    EXPECT_EQ(phone.Receive(), Ascii("SIP/2.0 200 OK\r\n\r\n"));
    EXPECT_TRUE(log.WaitForLine("SIP/2.0 200 OK\r\n\r\n"));
    EXPECT_TRUE(agent.IsConnected());
}

TEST_F(CSipAgentTest, RtpTravelsBothWaysWithTheSourcePort) {
    Start();
    OpenTunnel();
    const Bytes media = Pattern(172, 9);
    phoneRtp.SendTo(agent.RtpPort(), media);
    const std::uint16_t port = phoneRtp.Port();
    EXPECT_EQ(
        server.ReadFrame(),
        Concat({Hex("00 AF 02"),
                Bytes{static_cast<std::uint8_t>(port >> 8), static_cast<std::uint8_t>(port & 0xFF)},
                media}));
    const Bytes back = Pattern(160, 4);
    server.Write(Concat({Hex("00 A3 02 00 00"), back}));
    EXPECT_EQ(phoneRtp.Receive(), back);
    // RTP is never logged.
    for (const std::string& line : log.lines.Items()) {
        EXPECT_EQ(line.find(std::string(media.begin(), media.end())), std::string::npos);
    }
}

TEST_F(CSipAgentTest, AddressRequestsAreAnsweredAndOthersIgnored) {
    Start();
    OpenTunnel();
    const std::string sip = "127.0.0.1:" + std::to_string(agent.SipBoundPort());
    const std::string rtp = "127.0.0.1:" + std::to_string(agent.RtpPort());
    server.Write(Hex("00 04 03 12 34 08"));  // unknown subtype: no reply
    server.Write(Hex("00 03 03 00 00"));     // no subtype at all: no reply
    server.Write(Hex("00 04 03 00 00 06"));
    EXPECT_EQ(
        server.ReadFrame(),
        Concat({Bytes{0, static_cast<std::uint8_t>(4 + rtp.size()), 3, 0, 0, 6}, Ascii(rtp)}));
    server.Write(Hex("00 09 03 00 00 07 61 6E 79 74 68"));  // data after the subtype ignored
    EXPECT_EQ(
        server.ReadFrame(),
        Concat({Bytes{0, static_cast<std::uint8_t>(4 + sip.size()), 3, 0, 0, 7}, Ascii(sip)}));
    EXPECT_TRUE(server.Quiet(std::chrono::milliseconds(100)));
}

TEST_F(CSipAgentTest, AServerThatClosesIsLoggedOnceAndTheNextSipReconnects) {
    Start();
    OpenTunnel();
    server.CloseConnection();
    ASSERT_TRUE(log.WaitForLine(logtext::kTunnelBroken));
    ASSERT_TRUE(WaitConnected(false));
    phone.SendTo(agent.SipBoundPort(), Ascii("REGISTER again"));
    ASSERT_TRUE(server.Accept());
    ASSERT_TRUE(WaitConnected(true));
    phone.SendTo(agent.SipBoundPort(), Ascii("REGISTER relayed"));
    EXPECT_EQ(server.ReadFrame(), BuildSipFrame("REGISTER relayed"));
    EXPECT_EQ(log.Count(logtext::kTunnelBroken), 1u);
    EXPECT_EQ(log.Count(logtext::TunnelConnected("127.0.0.1")), 2u);
}

TEST_F(CSipAgentTest, DisconnectClosesQuietlyAndSipReconnects) {
    Start();
    OpenTunnel();
    agent.DisconnectTunnel();
    EXPECT_FALSE(agent.IsConnected());
    phone.SendTo(agent.SipBoundPort(), Ascii("OPTIONS after"));
    ASSERT_TRUE(server.Accept());
    ASSERT_TRUE(WaitConnected(true));
    EXPECT_EQ(log.Count(logtext::kTunnelBroken), 0u);
}

TEST_F(CSipAgentTest, UnreachableServerIsLoggedAndRetriedByTheNextDatagram) {
    const std::uint16_t closedPort = [] {
        TcpServerPeer gone;
        return gone.Port();
    }();
    agent.StartRelay("127.0.0.1:" + std::to_string(closedPort));
    const std::string failed = logtext::TunnelConnectFailed("127.0.0.1");
    phone.SendTo(agent.SipBoundPort(), Ascii("INVITE one"));
    ASSERT_TRUE(log.WaitForLine(failed));
    phone.SendTo(agent.SipBoundPort(), Ascii("INVITE two"));
    ASSERT_TRUE(log.WaitForLine(failed, kWait, 2));
    EXPECT_FALSE(agent.IsConnected());
}

TEST_F(CSipAgentTest, EmptyAndOverlongHostsFailWithoutHarm) {
    agent.StartRelay("");
    phone.SendTo(agent.SipBoundPort(), Ascii("INVITE"));
    EXPECT_TRUE(log.WaitForLine(logtext::TunnelConnectFailed("")));
    agent.StopRelay();

    const std::string longHost(300, 'h');
    agent.StartRelay(longHost + ":5000");
    EXPECT_EQ(agent.ServerTarget().host, longHost);
    phone.SendTo(agent.SipBoundPort(), Ascii("INVITE"));
    EXPECT_TRUE(log.WaitForLine(logtext::TunnelConnectFailed(longHost)));
    EXPECT_EQ(agent.Tunnel().Host().size(), 255u);
}

TEST_F(CSipAgentTest, StopLogsBothLinesAndRelaysNothingMore) {
    Start();
    const std::uint16_t sipPort = agent.SipBoundPort();
    agent.StopRelay();
    EXPECT_EQ(log.Count(logtext::kSipStopped), 1u);
    EXPECT_EQ(log.Count(logtext::kRtpStopped), 1u);
    EXPECT_TRUE(agent.IsStopped());
    EXPECT_EQ(agent.SipBoundPort(), 0);
    const std::size_t lines = log.lines.Items().size();
    phone.SendTo(sipPort, Ascii("INVITE late"));
    EXPECT_FALSE(server.Accept(std::chrono::milliseconds(100)));
    EXPECT_EQ(log.lines.Items().size(), lines);
    // A second stop is harmless and logs the two lines again.
    agent.StopRelay();
    EXPECT_EQ(log.Count(logtext::kSipStopped), 2u);
}

TEST_F(CSipAgentTest, PortSearchMovesPastTakenPorts) {
    UdpPeer sipHolder(CSipAgent::kFirstSipPort);
    UdpPeer rtpHolder(CSipAgent::kFirstRtpPort);
    if (!sipHolder.Valid() || !rtpHolder.Valid()) {
        GTEST_SKIP() << "port 5060 or 10000 is used by another program";
    }
    agent.StartRelay("127.0.0.1");
    // The next free ports are taken; usually 5061 and 10001, unless another program
    // holds those too. Each taken port gives one failure line.
    const std::uint16_t sipPort = agent.SipPort();
    const std::uint16_t rtpPort = agent.RtpPort();
    ASSERT_GT(sipPort, CSipAgent::kFirstSipPort);
    ASSERT_GT(rtpPort, CSipAgent::kFirstRtpPort);
    EXPECT_EQ(agent.SipBoundPort(), sipPort);
    EXPECT_EQ(agent.SipAddress(), "127.0.0.1");
    std::vector<std::string> expected(sipPort - CSipAgent::kFirstSipPort,
                                      std::string(logtext::kSipStartFailed));
    expected.push_back(logtext::SipStarted("127.0.0.1", sipPort));
    expected.insert(expected.end(), rtpPort - CSipAgent::kFirstRtpPort,
                    std::string(logtext::kRtpStartFailed));
    expected.push_back(logtext::RtpStarted("127.0.0.1", rtpPort));
    EXPECT_EQ(log.lines.Items(), expected);
    EXPECT_EQ(agent.ServerTarget().port, 80);
}

TEST_F(CSipAgentTest, FirstFreePortsAreTheDefaults) {
    UdpPeer sipProbe(CSipAgent::kFirstSipPort);
    UdpPeer rtpProbe(CSipAgent::kFirstRtpPort);
    if (!sipProbe.Valid() || !rtpProbe.Valid()) {
        GTEST_SKIP() << "port 5060 or 10000 is used by another program";
    }
    sipProbe = UdpPeer(0);
    rtpProbe = UdpPeer(0);
    EXPECT_EQ(agent.SipPort(), 0);  // before any start
    agent.StartRelay("127.0.0.1:9");
    EXPECT_EQ(agent.SipPort(), 5060);
    EXPECT_EQ(agent.RtpPort(), 10000);
    EXPECT_EQ(log.lines.Items()[0], "启动 SIP 服务器成功 ( IP : 127.0.0.1, Port : 5060 ) ！");
    EXPECT_EQ(log.lines.Items()[1], "启动 RTP 服务器成功 ( IP : 127.0.0.1, Port : 10000 ) ！");
}

}  // namespace
}  // namespace ovix::agent
