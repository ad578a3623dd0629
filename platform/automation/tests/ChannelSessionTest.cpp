// Both ends of the channel in one process, over a socket pair.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <thread>

#include "platform/automation/AutomationServerSession.h"
#include "platform/automation/DispatchClient.h"

namespace ovix::platform {
namespace {

class CCountingTarget : public IDispatchTarget {
public:
    HResult Invoke(int32_t dispId, DispatchArgs& args, DispatchValue& result) override {
        ++calls;
        if (dispId != 1) {
            return kDISP_E_MEMBERNOTFOUND;
        }
        if (!args.empty()) {
            args[0] = std::string("out");
        }
        result = int32_t{42};
        return kS_OK;
    }
    int calls = 0;
};

struct SocketPair {
    SocketPair() { EXPECT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds), 0); }
    int fds[2] = {-1, -1};
};

TEST(AutomationServerSession, GarbageGetsAnErrorMessageAndEndsTheObject) {
    SocketPair pair;
    CCountingTarget target;
    CAutomationServerSession session(pair.fds[1], target);
    CAutomationChannel peer(pair.fds[0]);

    const uint8_t garbage[] = {5, 0, 0, 0, 0x42, 1, 2, 3, 4};  // unknown kind 0x42
    ASSERT_EQ(write(pair.fds[0], garbage, sizeof garbage), static_cast<ssize_t>(sizeof garbage));
    EXPECT_EQ(session.OnReadable(), CAutomationServerSession::State::kReleased);
    EXPECT_EQ(target.calls, 0);

    DispatchMessage error;
    ASSERT_EQ(peer.Receive(error, 1000), kS_OK);
    EXPECT_EQ(error.kind, DispatchMessageKind::kError);
    EXPECT_EQ(error.result, kRPC_E_INVALID_DATAPACKET);
    EXPECT_EQ(peer.Receive(error, 1000), kRPC_E_DISCONNECTED);
}

TEST(AutomationServerSession, CallsAreAnsweredAndClosingReleases) {
    SocketPair pair;
    CCountingTarget target;
    CAutomationServerSession session(pair.fds[1], target);
    CDispatchClient client(pair.fds[0], -1, DispatchClientOptions{});
    ASSERT_TRUE(session.SendReady());
    ASSERT_EQ(client.WaitUntilReady(), kS_OK);

    std::thread server([&] { session.ServeUntilReleased(); });
    DispatchArgs args = {std::string("in")};
    DispatchValue result;
    EXPECT_EQ(client.Invoke(1, args, result), kS_OK);
    EXPECT_EQ(args[0], DispatchValue(std::string("out")));
    EXPECT_EQ(result, DispatchValue(int32_t{42}));
    DispatchArgs none;
    EXPECT_EQ(client.Invoke(9, none, result), kDISP_E_MEMBERNOTFOUND);
    EXPECT_FALSE(client.IsBroken());
    client.Release();
    server.join();
    EXPECT_EQ(target.calls, 2);
    EXPECT_FALSE(session.EndReason().empty());
    EXPECT_EQ(client.Invoke(1, args, result), kCO_E_RELEASED);
}

TEST(DispatchClient, GarbageFromTheServerBreaksTheClientWithoutHanging) {
    SocketPair pair;
    DispatchClientOptions options;
    options.callTimeoutMs = 2000;
    CDispatchClient client(pair.fds[0], -1, options);
    std::thread server([fd = pair.fds[1]] {
        uint8_t request[256];
        (void)!read(fd, request, sizeof request);
        const uint8_t garbage[] = {3, 0, 0, 0, 0xee, 0xee, 0xee};
        (void)!write(fd, garbage, sizeof garbage);
    });
    DispatchArgs args;
    DispatchValue result;
    EXPECT_EQ(client.Invoke(1, args, result), kRPC_E_INVALID_DATAPACKET);
    server.join();
    EXPECT_TRUE(client.IsBroken());
    EXPECT_EQ(client.Invoke(1, args, result), kRPC_E_DISCONNECTED);
    close(pair.fds[1]);
}

TEST(DispatchClient, SilentServerTimesOut) {
    SocketPair pair;
    DispatchClientOptions options;
    options.callTimeoutMs = 200;
    CDispatchClient client(pair.fds[0], -1, options);
    DispatchArgs args;
    DispatchValue result;
    EXPECT_EQ(client.Invoke(1, args, result), kRPC_E_TIMEOUT);
    EXPECT_EQ(client.Invoke(1, args, result), kRPC_E_DISCONNECTED);
    close(pair.fds[1]);
}

}  // namespace
}  // namespace ovix::platform
