#include "updater/net/SocketPrimitives.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "platform/net/WinsockError.h"
#include "updater/net/NetError.h"

namespace ovix::updater {
namespace {

using namespace std::chrono;

// A listening socket on 127.0.0.1 at a free port, closed when dropped.
class LoopbackListener {
public:
    explicit LoopbackListener(int backlog = 8) {
        fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address = Address(0);
        socklen_t length = sizeof address;
        ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(fd_, backlog);
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
    }
    ~LoopbackListener() { ::close(fd_); }
    int Accept() const { return ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC); }
    int Port() const { return port_; }
    static sockaddr_in Address(int port) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(static_cast<uint16_t>(port));
        return address;
    }

private:
    int fd_ = -1;
    int port_ = 0;
};

// A connected pair over loopback TCP: the primitives' socket and the peer's plain one.
struct ConnectedPair {
    ConnectedPair() {
        client = CreateStreamSocket();
        EXPECT_EQ(
            ConnectToHost(client, "127.0.0.1", static_cast<uint16_t>(listener.Port()), 2000, true),
            0);
        peer = listener.Accept();
    }
    ~ConnectedPair() {
        if (client >= 0) {
            CloseSocket(client);
        }
        if (peer >= 0) {
            ::close(peer);
        }
    }
    LoopbackListener listener;
    int client = -1;
    int peer = -1;
};

long long MsSince(steady_clock::time_point start) {
    return duration_cast<milliseconds>(steady_clock::now() - start).count();
}

TEST(SocketPrimitivesTest, ConnectToAClosedPortIsRefusedAtOnce) {
    int port = 0;
    {
        LoopbackListener gone;
        port = gone.Port();
    }
    const int socket = CreateStreamSocket();
    ASSERT_NE(socket, kNoSocket);
    const auto start = steady_clock::now();
    EXPECT_EQ(ConnectToHost(socket, "127.0.0.1", static_cast<uint16_t>(port), 5000, true), -1);
    EXPECT_EQ(GetLastNetError(), platform::kWsaECONNREFUSED);
    EXPECT_LT(MsSince(start), 2000);
    CloseSocket(socket);
}

TEST(SocketPrimitivesTest, ConnectToAListenerThatNeverAnswersEndsAtTheTimeOut) {
    // A full accept queue makes the kernel drop further SYNs: the connect gets no answer.
    LoopbackListener full(0);
    std::vector<int> queued;
    int socket = kNoSocket;
    int result = 0;
    for (int i = 0; i < 8 && result == 0; ++i) {
        socket = CreateStreamSocket();
        const sockaddr_in to = LoopbackListener::Address(full.Port());
        result = ConnectWithTimeout(socket, to, 300);
        queued.push_back(socket);
    }
    EXPECT_EQ(result, -1);
    EXPECT_EQ(GetLastNetError(), platform::kWsaETIMEDOUT);
    for (int fd : queued) {
        CloseSocket(fd);
    }
}

TEST(SocketPrimitivesTest, DottedQuadsAndLocalNamesResolveToTheLoopback) {
    EXPECT_EQ(ResolveHost("127.0.0.1", true), htonl(INADDR_LOOPBACK));
    EXPECT_EQ(ResolveHost("localhost", false), htonl(INADDR_LOOPBACK));
}

TEST(SocketPrimitivesTest, ReceiveGivesDataThenFailsOnThePeersCloseAndTimesOut) {
    ConnectedPair pair;
    char buffer[64] = {};
    const auto start = steady_clock::now();
    EXPECT_EQ(RecvWithTimeout(pair.client, buffer, sizeof buffer, 200), -1);
    EXPECT_EQ(GetLastNetError(), platform::kWsaETIMEDOUT);
    EXPECT_GE(MsSince(start), 180);

    ASSERT_EQ(::send(pair.peer, "abc", 3, 0), 3);
    ::close(pair.peer);
    pair.peer = -1;
    EXPECT_EQ(RecvWithTimeout(pair.client, buffer, sizeof buffer, 2000), 3);
    EXPECT_EQ(std::string(buffer, 3), "abc");
    // Only the close is left: a failure, not an empty read.
    EXPECT_EQ(RecvWithTimeout(pair.client, buffer, sizeof buffer, 2000), -1);
    EXPECT_EQ(GetLastNetError(), platform::kWsaEDISCON);
}

TEST(SocketPrimitivesTest, SendToAPeerThatNeverReadsTimesOutWithWhatWentOut) {
    ConnectedPair pair;
    const std::vector<char> bytes(16 * 1024 * 1024, 'x');
    const auto start = steady_clock::now();
    const long sent = SendAll(pair.client, bytes.data(), static_cast<long>(bytes.size()), 300);
    EXPECT_GT(sent, 0);
    EXPECT_LT(sent, static_cast<long>(bytes.size()));
    EXPECT_EQ(GetLastNetError(), platform::kWsaETIMEDOUT);
    EXPECT_LT(MsSince(start), 3000);
}

TEST(SocketPrimitivesTest, SendToAClosedPeerFailsWithoutEndingTheProcess) {
    ConnectedPair pair;
    linger hard{1, 0};
    ::setsockopt(pair.peer, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
    ::close(pair.peer);
    pair.peer = -1;
    const std::vector<char> bytes(256 * 1024, 'x');
    long sent = 0;
    for (int i = 0; i < 20 && sent >= 0; ++i) {
        sent = SendWithTimeout(pair.client, bytes.data(), static_cast<long>(bytes.size()), 500);
    }
    EXPECT_EQ(sent, -1);
    EXPECT_EQ(GetLastNetError(), platform::kWsaECONNRESET);
}

TEST(SocketPrimitivesTest, LastErrorBelongsToEachThread) {
    SetLastNetError(platform::kWsaETIMEDOUT);
    int other = -1;
    std::thread([&] { other = GetLastNetError(); }).join();
    EXPECT_EQ(other, 0);
    EXPECT_EQ(GetLastNetError(), platform::kWsaETIMEDOUT);
}

}  // namespace
}  // namespace ovix::updater
