// One exchange of the client against a scripted peer (the fault proxy answering with fixed
// texts): the exact request bytes, and how each kind of response header is judged.
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tools/faultproxy/FaultProxy.h"
#include "updater/http/FreeDiskSpace.h"
#include "updater/http/HttpDownload.h"
#include "updater/update/tests/TempFolder.h"

namespace ovix::updater {
namespace {

using tools::CFaultProxy;
using tools::FaultPlan;
using tools::FaultStep;

constexpr std::int64_t kUnchecked = std::numeric_limits<std::int64_t>::min();

std::string ReplacePort(std::string text, int port) {
    for (size_t at; (at = text.find("{port}")) != std::string::npos;) {
        text.replace(at, 6, std::to_string(port));
    }
    return text;
}

// A peer that answers connection i with answers[i] (the last one for every later connection).
class ScriptedPeer {
public:
    explicit ScriptedPeer(const std::vector<std::string>& answers) : proxy_({}, 0) {
        EXPECT_TRUE(proxy_.Start());
        FaultPlan plan;
        for (const std::string& answer : answers) {
            plan.steps.push_back({FaultStep::Kind::kScript, 0, ReplacePort(answer, Port())});
        }
        plan.afterwards = plan.steps.back();
        proxy_.SetPlan(plan);
    }
    int Port() const { return proxy_.Port(); }
    std::string Url(const std::string& path) const {
        return "http://127.0.0.1:" + std::to_string(Port()) + path;
    }
    std::vector<std::string> Requests() const { return proxy_.Requests(); }

private:
    CFaultProxy proxy_;
};

class HttpExchangeTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetFreeDiskSpaceProbe([](std::uint64_t* bytes) {
            *bytes = std::uint64_t{1} << 40;
            return true;
        });
    }
    void TearDown() override { SetFreeDiskSpaceProbe(nullptr); }

    // A client with short time-outs whose temporary file holds `tempBytes` (none when < 0).
    void Prepare(CHttpDownload* client, const std::string& url, int tempBytes) {
        ASSERT_TRUE(client->SetUrl(url));
        client->SetTimeouts(2000, 2000, 2000);
        const std::string temp = folder_.Path() + "/file.down";
        client->SetTemporaryPath(temp);
        if (tempBytes >= 0) {
            testing::WriteFile(temp, std::string(static_cast<size_t>(tempBytes), 'x'));
        }
    }

    testing::CTempFolder folder_;
};

const std::string kOkEmpty = "HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n";

std::string FixedLines(const std::string& path, const std::string& between) {
    return "GET " + path +
           " HTTP/1.1\r\n"
           "Host: 127.0.0.1\r\n"
           "Accept: */*\r\n"
           "Pragma: no-cache\r\n"
           "Cache-Control: no-cache\r\n"
           "User-Agent: HttpDownload/2.0\r\n" +
           between;
}

TEST_F(HttpExchangeTest, RequestLinesComeExactlyInTheirOrderWithoutThePortInHost) {
    {
        ScriptedPeer peer({kOkEmpty});
        CHttpDownload client;
        Prepare(&client, peer.Url("/files/a.bin?v=1"), -1);
        ASSERT_EQ(client.SendRequest(), kHttpOk);
        ASSERT_EQ(peer.Requests().size(), 1u);
        EXPECT_EQ(peer.Requests()[0], FixedLines("/files/a.bin?v=1", "Connection: close\r\n\r\n"));
    }
    {
        // After a redirect: Referer with the previous URL; with a partial file: Range.
        ScriptedPeer peer({"HTTP/1.1 302 Found\r\nLocation: /next.bin\r\n\r\n", kOkEmpty});
        CHttpDownload client;
        Prepare(&client, peer.Url("/files/a.bin"), 500);
        ASSERT_EQ(client.SendRequest(), kHttpOk);
        const auto requests = peer.Requests();
        ASSERT_EQ(requests.size(), 2u);
        EXPECT_EQ(requests[0],
                  FixedLines("/files/a.bin", "Connection: close\r\nRange: bytes=500-\r\n\r\n"));
        EXPECT_EQ(requests[1], FixedLines("/next.bin", "Referer: " + peer.Url("/files/a.bin") +
                                                           "\r\nConnection: close\r\n"
                                                           "Range: bytes=500-\r\n\r\n"));
    }
}

TEST_F(HttpExchangeTest, ResponseHeadersAreJudgedAsTheTableSays) {
    const std::string pad1023 = "X-Long: " + std::string(1023 - 8, 'p');
    const std::string pad1022 = "X-Long: " + std::string(1022 - 8, 'p');
    const std::string date = "Last-Modified: Sun, 06 Nov 1994 08:49:37 GMT\r\n";
    struct Row {
        const char* name;
        std::string path;
        int tempBytes;  // temporary file size before the request, -1 none
        std::vector<std::string> answers;
        int result;
        std::string lastRequestLine = "";  // first line of the last request, "" unchecked
        std::int64_t contentLength = kUnchecked;
        std::int64_t totalSize = kUnchecked;
        std::int64_t bytesDone = kUnchecked;
        int appending = -1;
        std::int64_t lastModified = kUnchecked;
    };
    const Row rows[] = {
        {"no reason phrase", "/a", -1, {"HTTP/1.1 200\r\nContent-Length: 5\r\n\r\nhello"}, 3},
        {"status not a number", "/a", -1, {"HTTP/1.1 abc OK\r\nContent-Length: 5\r\n\r\n"}, 3},
        {"200 with length 0", "/a", -1, {kOkEmpty}, 0, "", 0, 0},
        {"no answer at all", "/a", -1, {""}, 1},
        {"503", "/a", -1, {"HTTP/1.1 503 Service Unavailable\r\nContent-Length: 0\r\n\r\n"}, 1},
        {"404", "/a", -1, {"HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n"}, 3},
        {"no Content-Length", "/a", -1, {"HTTP/1.1 200 OK\r\nServer: x\r\n\r\nbody"}, 3},
        {"negative length", "/a", -1, {"HTTP/1.1 200 OK\r\nContent-Length: -5\r\n\r\n"}, 3},
        {"length not a number", "/a", -1, {"HTTP/1.1 200 OK\r\nContent-Length: ten\r\n\r\n"}, 3},
        {"length beyond 64 bits",
         "/a",
         -1,
         {"HTTP/1.1 200 OK\r\nContent-Length: 99999999999999999999\r\n\r\n"},
         3},
        {"Content-Location before Location",
         "/x/a.bin",
         -1,
         {"HTTP/1.1 302 Found\r\nContent-Location: /x/cl.bin\r\nLocation: /x/loc.bin\r\n\r\n",
          kOkEmpty},
         0,
         "GET /x/cl.bin HTTP/1.1"},
        {"relative ../",
         "/x/y/a.bin",
         -1,
         {"HTTP/1.1 302 Found\r\nLocation: ../b.bin\r\n\r\n", kOkEmpty},
         0,
         "GET /x/b.bin HTTP/1.1"},
        {"relative name",
         "/x/y/a.bin",
         -1,
         {"HTTP/1.1 302 Found\r\nLocation: b.bin\r\n\r\n", kOkEmpty},
         0,
         "GET /x/y/b.bin HTTP/1.1"},
        {"backslashes",
         "/x/y/a.bin",
         -1,
         {"HTTP/1.1 301 Moved\r\nLocation: \\x\\z.bin\r\n\r\n", kOkEmpty},
         0,
         "GET /x/z.bin HTTP/1.1"},
        {"upper-case absolute URL followed in lower case",
         "/a",
         -1,
         {"HTTP/1.1 302 Found\r\nLOCATION: HTTP://127.0.0.1:{port}/Dir/File\r\n\r\n", kOkEmpty},
         0,
         "GET /dir/file HTTP/1.1"},
        {"redirect without Location", "/a", -1, {"HTTP/1.1 302 Found\r\nServer: x\r\n\r\n"}, 3},
        {"endless redirects", "/a", -1, {"HTTP/1.1 302 Found\r\nLocation: /a\r\n\r\n"}, 3},
        {"1023-character line ends the header",
         "/a",
         -1,
         {"HTTP/1.1 200 OK\r\nContent-Length: 3\r\n" + pad1023 + "\r\n" + date + "\r\nabc"},
         0,
         "",
         3},
        {"1022-character line hides a later length",
         "/a",
         -1,
         {"HTTP/1.1 200 OK\r\n" + pad1022 + "\r\nContent-Length: 3\r\n\r\nabc"},
         3},
        {"Last-Modified",
         "/a",
         -1,
         {"HTTP/1.1 200 OK\r\nContent-Length: 0\r\n" + date + "\r\n"},
         0,
         "",
         0,
         kUnchecked,
         kUnchecked,
         -1,
         784111777},
        {"Last-Modified with an unknown month",
         "/a",
         -1,
         {"HTTP/1.1 200 OK\r\nContent-Length: 0\r\n"
          "last-modified: Sun, 06 Foo 1994 08:49:37 GMT\r\n\r\n"},
         0,
         "",
         0,
         kUnchecked,
         kUnchecked,
         -1,
         757846177},
        {"206 continues the partial file",
         "/a",
         500,
         {"HTTP/1.1 206 Partial Content\r\nContent-Range: bytes 500-1999/2000\r\n"
          "Content-Length: 1500\r\n\r\n"},
         0,
         "",
         1500,
         2000,
         500,
         1},
        {"200 to a Range starts over",
         "/a",
         500,
         {"HTTP/1.1 200 OK\r\nContent-Length: 2000\r\n\r\n"},
         0,
         "",
         2000,
         2000,
         0,
         0},
        {"206 from the wrong byte",
         "/a",
         500,
         {"HTTP/1.1 206 Partial Content\r\nContent-Range: bytes 0-1499/2000\r\n"
          "Content-Length: 1500\r\n\r\n"},
         3},
        {"206 without Content-Range",
         "/a",
         500,
         {"HTTP/1.1 206 Partial Content\r\nContent-Length: 1500\r\n\r\n"},
         3},
        {"empty partial file asks for everything", "/a", 0, {kOkEmpty}, 0, "", 0, 0, 0, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ScriptedPeer peer(row.answers);
        CHttpDownload client;
        Prepare(&client, peer.Url(row.path), row.tempBytes);
        EXPECT_EQ(client.SendRequest(), row.result);
        const auto requests = peer.Requests();
        ASSERT_FALSE(requests.empty());
        ASSERT_LE(requests.size(), static_cast<size_t>(CHttpDownload::kMaxRedirects + 1));
        const std::string last = requests.back();
        if (!row.lastRequestLine.empty()) {
            EXPECT_EQ(last.substr(0, last.find("\r\n")), row.lastRequestLine);
        }
        EXPECT_EQ(last.find("Range:") != std::string::npos, row.tempBytes > 0);
        if (row.contentLength != kUnchecked) {
            EXPECT_EQ(client.ContentLength(), row.contentLength);
        }
        if (row.totalSize != kUnchecked) {
            EXPECT_EQ(client.TotalSize(), row.totalSize);
        }
        if (row.bytesDone != kUnchecked) {
            EXPECT_EQ(client.BytesDone(), row.bytesDone);
        }
        if (row.appending >= 0) {
            EXPECT_EQ(client.Appending(), row.appending == 1);
        }
        if (row.lastModified != kUnchecked) {
            EXPECT_EQ(client.LastModified(), row.lastModified);
        }
    }
}

TEST_F(HttpExchangeTest, AHeaderLineCutAtTheBufferSizeEndsTheHeaderAfterIt) {
    // The line feed of a 1023-character line arrives as an empty read: nothing after the
    // long line belongs to the header, so its Last-Modified is not seen.
    ScriptedPeer peer(
        {"HTTP/1.1 200 OK\r\nContent-Length: 3\r\nX-Long: " + std::string(1023 - 8, 'p') +
         "\r\nLast-Modified: Sun, 06 Nov 1994 08:49:37 GMT\r\n\r\nabc"});
    CHttpDownload client;
    Prepare(&client, peer.Url("/a"), -1);
    ASSERT_EQ(client.SendRequest(), kHttpOk);
    EXPECT_EQ(client.HeaderText().find("Last-Modified"), std::string::npos);
    EXPECT_EQ(client.HeaderText().back(), 'p');
    EXPECT_NE(client.LastModified(), 784111777);
}

TEST_F(HttpExchangeTest, ALengthAboveTheFreeSpaceIsRefusedAsDiskFull) {
    SetFreeDiskSpaceProbe([](std::uint64_t* bytes) {
        *bytes = 999;
        return true;
    });
    ScriptedPeer peer({"HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\n"});
    CHttpDownload client;
    Prepare(&client, peer.Url("/a"), -1);
    EXPECT_EQ(client.SendRequest(), kHttpDiskFull);
}

}  // namespace
}  // namespace ovix::updater
