#include "tests/support/nginx/NginxServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "tests/support/nginx/FreeLocalPort.h"

namespace ovix::testsupport {
namespace {

namespace fs = std::filesystem;

// One request over HTTP/1.0; the whole answer (nginx closes after it).
std::string Fetch(int port, const std::string& request) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    timeval limit{5, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    std::string answer;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::send(fd, request.data(), request.size(), MSG_NOSIGNAL) ==
            static_cast<ssize_t>(request.size())) {
        char chunk[4096];
        for (ssize_t got; (got = ::recv(fd, chunk, sizeof chunk, 0)) > 0;) {
            answer.append(chunk, static_cast<size_t>(got));
        }
    }
    ::close(fd);
    return answer;
}

class NginxServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = fs::temp_directory_path() / ("nginx-root-" + std::to_string(::getpid()));
        fs::create_directories(root_ / "files");
        std::ofstream(root_ / "files/a.txt") << "0123456789";
    }
    void TearDown() override { fs::remove_all(root_); }
    fs::path root_;
};

TEST_F(NginxServerTest, ServesRangesAndExtraLocationsThenStopsAndCleansUp) {
    CNginxServer nginx(
        {.documentRoot = root_.string(), .serverConfig = "location = /gone { return 404; }"});
    ASSERT_TRUE(nginx.Start()) << nginx.Error();
    EXPECT_EQ(nginx.BaseUrl(), "http://127.0.0.1:" + std::to_string(nginx.Port()));
    const std::string folder = nginx.Folder();
    EXPECT_TRUE(fs::exists(folder + "/nginx.conf"));

    const std::string whole = Fetch(nginx.Port(), "GET /files/a.txt HTTP/1.0\r\n\r\n");
    EXPECT_EQ(whole.rfind("HTTP/1.1 200 OK\r\n", 0), 0u) << whole;
    EXPECT_NE(whole.find("Last-Modified: "), std::string::npos);
    const std::string part =
        Fetch(nginx.Port(), "GET /files/a.txt HTTP/1.0\r\nRange: bytes=4-\r\n\r\n");
    EXPECT_EQ(part.rfind("HTTP/1.1 206", 0), 0u) << part;
    EXPECT_EQ(part.substr(part.size() - 6), "456789");
    EXPECT_EQ(Fetch(nginx.Port(), "GET /gone HTTP/1.0\r\n\r\n").rfind("HTTP/1.1 404", 0), 0u);

    const auto requests = nginx.Requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[1].target, "/files/a.txt");
    EXPECT_EQ(requests[1].status, 206);
    EXPECT_EQ(requests[1].range, "bytes=4-");

    const int port = nginx.Port();
    nginx.Stop();
    EXPECT_FALSE(nginx.Running());
    EXPECT_FALSE(AcceptsOnLocalPort(port));
    EXPECT_FALSE(fs::exists(folder));
}

}  // namespace
}  // namespace ovix::testsupport
