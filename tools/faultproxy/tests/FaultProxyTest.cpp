#include "tools/faultproxy/FaultProxy.h"

#include <sys/socket.h>

#include <cerrno>
#include <memory>
#include <string>

#include <gtest/gtest.h>

namespace ovix::tools {
namespace {

// Sends `request` through the proxy and reads until the proxy closes or resets.
std::string Exchange(int port, const std::string& request, bool* reset) {
    CProxySocket connection = CProxySocket::ConnectLoopback(port);
    EXPECT_TRUE(connection.Valid());
    timeval limit{5, 0};
    ::setsockopt(connection.Fd(), SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    EXPECT_TRUE(connection.SendAll(request.data(), request.size()));
    std::string answer;
    char chunk[4096];
    ssize_t got = 0;
    while ((got = ::recv(connection.Fd(), chunk, sizeof chunk, 0)) > 0) {
        answer.append(chunk, static_cast<size_t>(got));
    }
    *reset = got < 0 && errno == ECONNRESET;
    return answer;
}

// An upstream made of the proxy itself in script mode: a 200 with a 100-byte body.
class FaultProxyTest : public ::testing::Test {
protected:
    void SetUp() override {
        FaultPlan plan;
        plan.afterwards = {FaultStep::Kind::kScript, 0,
                           "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n" + body_};
        upstream_ = std::make_unique<CFaultProxy>(plan, 0);
        ASSERT_TRUE(upstream_->Start());
    }
    const std::string body_ = std::string(100, 'b');
    std::unique_ptr<CFaultProxy> upstream_;
};

TEST_F(FaultProxyTest, EachConnectionFollowsItsStepAndRequestsAreKept) {
    FaultPlan plan;
    plan.steps = {{FaultStep::Kind::kCut, 40}, {FaultStep::Kind::kReset, 10}};
    CFaultProxy proxy(plan, upstream_->Port());
    ASSERT_TRUE(proxy.Start());
    const std::string header = "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n";

    bool reset = false;
    EXPECT_EQ(Exchange(proxy.Port(), "GET /1 HTTP/1.1\r\n\r\n", &reset),
              header + body_.substr(0, 40));
    EXPECT_FALSE(reset);
    const std::string cut = Exchange(proxy.Port(), "GET /2 HTTP/1.1\r\n\r\n", &reset);
    EXPECT_TRUE(reset);
    EXPECT_LE(cut.size(), header.size() + 10);
    EXPECT_EQ(Exchange(proxy.Port(), "GET /3 HTTP/1.1\r\n\r\n", &reset), header + body_);

    const auto requests = proxy.Requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[2], "GET /3 HTTP/1.1\r\n\r\n");
}

TEST_F(FaultProxyTest, AStalledConnectionIsLetGoWhenTheProxyStops) {
    FaultPlan plan;
    plan.afterwards = {FaultStep::Kind::kStall, 20};
    CFaultProxy proxy(plan, upstream_->Port());
    ASSERT_TRUE(proxy.Start());
    CProxySocket connection = CProxySocket::ConnectLoopback(proxy.Port());
    const std::string request = "GET / HTTP/1.1\r\n\r\n";
    ASSERT_TRUE(connection.SendAll(request.data(), request.size()));
    timeval limit{0, 300000};
    ::setsockopt(connection.Fd(), SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    std::string answer;
    char chunk[4096];
    ssize_t got = 0;
    while ((got = ::recv(connection.Fd(), chunk, sizeof chunk, 0)) > 0) {
        answer.append(chunk, static_cast<size_t>(got));
    }
    EXPECT_LT(got, 0);  // timed out: the proxy holds the connection without sending
    EXPECT_EQ(answer.substr(answer.size() - 20), std::string(20, 'b'));
    proxy.Stop();  // must not hang on the held connection
}

TEST(FaultPlanTest, StepsParseFromTheirCommandLineForm) {
    FaultStep step;
    EXPECT_TRUE(ParseFaultStep("cut:4000", &step));
    EXPECT_EQ(step.kind, FaultStep::Kind::kCut);
    EXPECT_EQ(step.bodyBytes, 4000);
    EXPECT_TRUE(ParseFaultStep("reset:0", &step));
    EXPECT_TRUE(ParseFaultStep("stall:10", &step));
    EXPECT_TRUE(ParseFaultStep("pass", &step));
    EXPECT_FALSE(ParseFaultStep("cut:", &step));
    EXPECT_FALSE(ParseFaultStep("cut:-1", &step));
    EXPECT_FALSE(ParseFaultStep("drop:1", &step));
    EXPECT_FALSE(ParseFaultStep("script:/no/such/file", &step));
}

}  // namespace
}  // namespace ovix::tools
