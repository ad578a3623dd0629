// A host whose first address cannot be bound (here an address from the documentation
// range, which no interface of this machine carries): the port search gives up after
// one failure line per listener instead of trying every port.
#include <gtest/gtest.h>

#include "agent/core/AgentLogText.h"
#include "agent/core/CSipAgent.h"
#include "agent/core/tests/SocketTestKit.h"

namespace ovix::agent {
namespace {

using namespace testing;

const PinLocalAddresses kPinned("192.0.2.1");

TEST(ForeignAddressTest, PortSearchStopsAfterOneFailure) {
    RecordingLog log;
    CSipAgent agent;
    agent.SetLogSink(&log);
    EXPECT_EQ(agent.StartRelay("127.0.0.1"), 0);
    const std::vector<std::string> expected{std::string(logtext::kSipStartFailed),
                                            std::string(logtext::kRtpStartFailed)};
    EXPECT_EQ(log.lines.Items(), expected);
    EXPECT_EQ(agent.SipPort(), CSipAgent::kFirstSipPort);
    EXPECT_EQ(agent.SipBoundPort(), 0);
    agent.StopRelay();
    agent.SetLogSink(nullptr);
}

}  // namespace
}  // namespace ovix::agent
