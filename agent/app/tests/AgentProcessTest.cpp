// The agent program in its own processes, driven through the client library as the main
// client drives it. Every agent gets OVIX_LOCAL_ADDRESSES=127.0.0.1, its own OVIX_CONFIG_DIR
// and the offscreen window platform. The relay binds from port 5060, so CTest runs these one
// at a time with the other users of that port.
#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "agent/app/AgentAutomationIds.h"
#include "agent/app/OvixAgentClient.h"
#include "platform/automation/AutomationChannel.h"
#include "platform/automation/AutomationRegistry.h"
#include "platform/automation/AutomationServerStart.h"
#include "platform/bstr/BstrText.h"
#include "platform/ipc/tests/TempFolder.h"

namespace ovix::agent {
namespace {

using platform::kS_OK;

// Exit code of pid, or -1 when it did not end within timeoutMs (it is then killed).
int WaitForExit(pid_t pid, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) {
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

// Starts the agent with arguments; channelFd (when >= 0) becomes its automation channel.
pid_t StartAgentProcess(const std::vector<std::string>& arguments, int channelFd = -1) {
    const pid_t pid = fork();
    if (pid == 0) {
        if (channelFd >= 0) {
            dup2(channelFd, 3);
            setenv(platform::kAutomationChannelEnv, "3", 1);
        }
        std::vector<char*> argv;
        std::string program = OVIX_AGENT_PROGRAM;
        argv.push_back(program.data());
        std::vector<std::string> copies = arguments;
        for (auto& argument : copies) {
            argv.push_back(argument.data());
        }
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    return pid;
}

bool UdpPortFree(uint16_t port) {
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool free = bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    close(fd);
    return free;
}

// A loopback TCP port that nothing listens on: the tunnel server that is never reached.
uint16_t ClosedTcpPort() {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t length = sizeof address;
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    close(fd);
    return ntohs(address.sin_port);
}

class AgentProcessTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = temp_.Path();
        ASSERT_FALSE(folder_.empty());
        setenv("OVIX_CONFIG_DIR", folder_.c_str(), 1);
        setenv("OVIX_LOCAL_ADDRESSES", "127.0.0.1", 1);
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        ASSERT_EQ(WaitForExit(StartAgentProcess({"-reg"}), 20000), 0);
        server_ = "127.0.0.1:" + std::to_string(ClosedTcpPort());
    }
    void TearDown() override {
        clients_.clear();  // releases: every agent ends
    }
    COvixAgentClient* Create() {
        std::unique_ptr<COvixAgentClient> client;
        std::string error;
        EXPECT_EQ(COvixAgentClient::Create(client, error), kS_OK) << error;
        clients_.push_back(std::move(client));
        return clients_.back().get();
    }
    uint16_t SipPort(COvixAgentClient& client) {
        int16_t port = -1;
        int16_t result = -1;
        EXPECT_EQ(client.GetSIPPort(port, result), kS_OK);
        EXPECT_EQ(result, 0);
        return static_cast<uint16_t>(port);
    }

    platform::test::CTempFolder temp_;
    std::string folder_;
    std::string server_;
    std::vector<std::unique_ptr<COvixAgentClient>> clients_;
};

TEST_F(AgentProcessTest, RegisterOnlyWritesTheRegistryAndEndsWithoutAWindow) {
    // SetUp ran "-reg"; the program ended by itself, so no window was made.
    platform::LocalServerEntry entry;
    ASSERT_EQ(
        platform::LookUpLocalServer(folder_ + "/registry.ini", "OvixAgent.Application", entry),
        kS_OK);
    EXPECT_EQ(entry.classId, kAgentClassId);
    EXPECT_TRUE(std::filesystem::equivalent(entry.serverProgram, OVIX_AGENT_PROGRAM));
}

TEST_F(AgentProcessTest, SipPortIsZeroBeforeStartAndTheReleaseEndsTheAgent) {
    if (!UdpPortFree(5060)) {
        GTEST_SKIP() << "UDP port 5060 on 127.0.0.1 is taken by a program outside the tests";
    }
    COvixAgentClient* client = Create();
    ASSERT_NE(client, nullptr);
    EXPECT_EQ(SipPort(*client), 0);
    EXPECT_EQ(client->Show(0), kS_OK);

    std::string address = server_;
    int32_t result = -1;
    ASSERT_EQ(client->StartAgent(address, result), kS_OK);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(SipPort(*client), 5060);
    // The string methods as the main client calls them, with OLE Automation strings.
    BSTR sipAddress = platform::BstrFromUtf8("replaced");
    ASSERT_EQ(client->GetSIPAddr(&sipAddress, result), kS_OK);
    EXPECT_EQ(platform::Utf8FromBstr(sipAddress), "127.0.0.1");
    SysFreeString(sipAddress);
    BSTR again = platform::BstrFromUtf8(server_);
    ASSERT_EQ(client->StartAgent(&again, result), kS_OK);  // restarts on the same ports
    EXPECT_EQ(result, 0);
    SysFreeString(again);
    EXPECT_EQ(SipPort(*client), 5060);
    EXPECT_FALSE(UdpPortFree(5060));
    EXPECT_EQ(client->Show(1), kS_OK);
    EXPECT_EQ(client->DisconnectTC(result), kS_OK);
    EXPECT_EQ(result, 0);

    const pid_t agent = client->ServerProcessId();
    client->Release();
    EXPECT_TRUE(client->ServerEnded());
    EXPECT_NE(kill(agent, 0), 0);  // the process is gone
    EXPECT_TRUE(UdpPortFree(5060));
}

TEST_F(AgentProcessTest, StopAgentClosesTheListeners) {
    COvixAgentClient* client = Create();
    ASSERT_NE(client, nullptr);
    std::string address = server_;
    int32_t result = -1;
    ASSERT_EQ(client->StartAgent(address, result), kS_OK);
    const uint16_t port = SipPort(*client);
    EXPECT_FALSE(UdpPortFree(port));
    ASSERT_EQ(client->StopAgent(result), kS_OK);
    EXPECT_EQ(result, 0);
    EXPECT_TRUE(UdpPortFree(port));
}

TEST_F(AgentProcessTest, TwoClientsGetTwoAgentProcesses) {
    COvixAgentClient* first = Create();
    COvixAgentClient* second = Create();
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(first->ServerProcessId(), second->ServerProcessId());
    std::string address = server_;
    int32_t result = -1;
    ASSERT_EQ(first->StartAgent(address, result), kS_OK);
    ASSERT_EQ(second->StartAgent(address, result), kS_OK);
    const uint16_t firstPort = SipPort(*first);
    const uint16_t secondPort = SipPort(*second);
    EXPECT_GT(secondPort, firstPort);  // the second searched past the first one's port

    first->Release();
    EXPECT_TRUE(first->ServerEnded());
    EXPECT_FALSE(second->ServerEnded());
    EXPECT_EQ(SipPort(*second), secondPort);  // the other agent is untouched
}

TEST_F(AgentProcessTest, ClientOfADeadAgentGetsFailuresNotAHang) {
    COvixAgentClient* client = Create();
    ASSERT_NE(client, nullptr);
    ASSERT_EQ(kill(client->ServerProcessId(), SIGKILL), 0);
    int32_t result = 0;
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(client->StopAgent(result), platform::kRPC_E_DISCONNECTED);
    std::string address = server_;
    EXPECT_EQ(client->StartAgent(address, result), platform::kRPC_E_DISCONNECTED);
    int16_t port = 0;
    int16_t portResult = 0;
    EXPECT_EQ(client->GetSIPPort(port, portResult), platform::kRPC_E_DISCONNECTED);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
    EXPECT_NE(client->LastError().find("gone"), std::string::npos) << client->LastError();
}

TEST_F(AgentProcessTest, GarbageOnTheChannelGetsAnErrorAndTheAgentEndsCleanly) {
    int fds[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds), 0);
    const int serverEnd = fcntl(fds[1], F_DUPFD, 10);  // without close-on-exec for the child
    close(fds[1]);
    const pid_t agent = StartAgentProcess({"-Automation"}, serverEnd);
    close(serverEnd);
    platform::CAutomationChannel channel(fds[0]);
    platform::DispatchMessage message;
    ASSERT_EQ(channel.Receive(message, 20000), kS_OK);
    EXPECT_EQ(message.kind, platform::DispatchMessageKind::kReady);

    const uint8_t garbage[] = {8, 0, 0, 0, 0x99, 0xde, 0xad, 0xbe, 0xef, 0, 0, 0};
    ASSERT_EQ(write(channel.Fd(), garbage, sizeof garbage), static_cast<ssize_t>(sizeof garbage));
    ASSERT_EQ(channel.Receive(message, 10000), kS_OK);
    EXPECT_EQ(message.kind, platform::DispatchMessageKind::kError);
    EXPECT_EQ(message.result, platform::kRPC_E_INVALID_DATAPACKET);
    EXPECT_EQ(WaitForExit(agent, 10000), 0);
}

}  // namespace
}  // namespace ovix::agent
