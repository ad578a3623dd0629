// Whole download jobs against nginx on 127.0.0.1, directly or through the fault proxy.
#include <fcntl.h>
#include <sys/stat.h>

#include <filesystem>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "tests/support/nginx/NginxServer.h"
#include "tools/faultproxy/FaultProxy.h"
#include "updater/http/DownloadJob.h"
#include "updater/http/FreeDiskSpace.h"
#include "updater/http/HttpDownload.h"
#include "updater/update/tests/TempFolder.h"

namespace ovix::updater {
namespace {

namespace fs = std::filesystem;
using testsupport::CNginxServer;
using tools::CFaultProxy;
using tools::FaultPlan;
using tools::FaultStep;

constexpr std::int64_t kServedTime = 1000000000;  // modification time of the served files
constexpr int kFileSize = 10000;

std::string RandomBytes(int count) {
    std::mt19937 generator(7);
    std::string bytes(static_cast<size_t>(count), '\0');
    for (char& byte : bytes) {
        byte = static_cast<char>(generator());
    }
    return bytes;
}

void SetModified(const std::string& path, std::int64_t seconds) {
    timespec times[2]{};
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = static_cast<time_t>(seconds);
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

std::int64_t ModifiedTime(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? static_cast<std::int64_t>(info.st_mtime) : -1;
}

FaultPlan Plan(std::vector<FaultStep> steps, FaultStep afterwards = {}) {
    FaultPlan plan;
    plan.steps = std::move(steps);
    plan.afterwards = afterwards;
    return plan;
}

class DownloadJobTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetFreeDiskSpaceProbe([](std::uint64_t* bytes) {
            *bytes = std::uint64_t{1} << 40;
            return true;
        });
        content_ = RandomBytes(kFileSize);
        const std::string www = folder_.Path() + "/www";
        fs::create_directories(www + "/files/sub");
        fs::create_directories(www + "/norange");
        fs::create_directories(folder_.Path() + "/out");
        for (const char* file : {"/files/a.bin", "/norange/a.bin"}) {
            testing::WriteFile(www + file, content_);
            SetModified(www + file, kServedTime);
        }
        testing::WriteFile(www + "/files/empty.bin", "");
        nginx_ = std::make_unique<CNginxServer>(testsupport::NginxSite{
            .documentRoot = www,
            .serverConfig = "absolute_redirect off;\n"
                            "location = /r/path { return 302 /files/a.bin; }\n"
                            "location = /files/rel { return 302 a.bin; }\n"
                            "location = /files/sub/up { return 302 ../a.bin; }\n"
                            "location = /r/url { return 302 "
                            "http://127.0.0.1:$server_port/files/a.bin; }\n"
                            "location = /r/loop { return 302 /r/loop; }\n"
                            "location = /gone { return 404; }\n"
                            "location = /busy { return 503; }\n"
                            // A server that ignores Range and always answers 200.
                            "location /norange/ { max_ranges 0; }\n"});
        ASSERT_TRUE(nginx_->Start()) << nginx_->Error();
    }
    void TearDown() override {
        nginx_.reset();
        SetFreeDiskSpaceProbe(nullptr);
    }

    std::string Target() const { return folder_.Path() + "/out/update.ovix"; }
    std::string Through(const CFaultProxy& proxy, const std::string& path) const {
        return "http://127.0.0.1:" + std::to_string(proxy.Port()) + path;
    }
    // DownloadFile on the calling thread with short time-outs.
    int Download(const std::string& url, CHttpDownload* client = nullptr) {
        CHttpDownload own;
        CHttpDownload& used = client != nullptr ? *client : own;
        used.SetTimeouts(2000, 2000, 400);
        return used.DownloadFile(url, Target());
    }
    int RunJob(const std::string& url, int* diskFull = nullptr) {
        DownloadJobSlot slot;
        slot.jobUrl = url;
        slot.jobPath = Target();
        std::thread job(RunDownloadJob, &slot);
        job.join();
        EXPECT_EQ(slot.currentDownload.load(), nullptr);
        if (diskFull != nullptr) {
            *diskFull = slot.diskFull;
        }
        return slot.jobResult;
    }

    testing::CTempFolder folder_;
    std::string content_;
    std::unique_ptr<CNginxServer> nginx_;
};

TEST_F(DownloadJobTest, AJobFetchesTheFileAndStampsItWithLastModified) {
    // No scheme: taken as http://.
    const std::string url = nginx_->BaseUrl().substr(7) + "/files/a.bin";
    ASSERT_EQ(RunJob(url), kDownloadCompleted);
    EXPECT_EQ(testing::ReadFile(Target()), content_);
    EXPECT_EQ(ModifiedTime(Target()), kServedTime);
    EXPECT_FALSE(fs::exists(Target() + ".down"));
}

TEST_F(DownloadJobTest, RedirectsOfEveryKindAreFollowedAndBounded) {
    size_t logged = 0;
    for (const char* path : {"/r/path", "/files/rel", "/files/sub/up", "/r/url"}) {
        SCOPED_TRACE(path);
        fs::remove(Target());
        ASSERT_EQ(Download(nginx_->BaseUrl() + path), kDownloadCompleted);
        EXPECT_EQ(testing::ReadFile(Target()), content_);
        logged += 2;
        const auto requests = nginx_->WaitForRequests(logged);
        ASSERT_EQ(requests.size(), logged);
        EXPECT_EQ(requests.back().target, "/files/a.bin");
        EXPECT_EQ(requests.back().referer, nginx_->BaseUrl() + path);
        EXPECT_EQ(requests.back().host, "127.0.0.1");
    }
    EXPECT_EQ(Download(nginx_->BaseUrl() + "/r/loop"), kDownloadFailed);
    const size_t loop = static_cast<size_t>(CHttpDownload::kMaxRedirects + 1);
    EXPECT_EQ(nginx_->WaitForRequests(logged + loop).size(), logged + loop);
}

TEST_F(DownloadJobTest, ADroppedBodyResumesWithRangeAndAppendsTheRest) {
    const struct {
        const char* name;
        FaultStep fault;
    } faults[] = {
        {"clean close", {FaultStep::Kind::kCut, 4000}},
        {"reset", {FaultStep::Kind::kReset, 4000}},
        {"stall past the receive time-out", {FaultStep::Kind::kStall, 4000}},
    };
    for (const auto& fault : faults) {
        SCOPED_TRACE(fault.name);
        fs::remove(Target());
        const size_t before = nginx_->Requests().size();
        CFaultProxy proxy(Plan({fault.fault}), nginx_->Port());
        ASSERT_TRUE(proxy.Start());
        ASSERT_EQ(Download(Through(proxy, "/files/a.bin")), kDownloadCompleted);
        EXPECT_EQ(testing::ReadFile(Target()), content_);
        EXPECT_EQ(ModifiedTime(Target()), kServedTime);
        const auto requests = nginx_->WaitForRequests(before + 2);
        ASSERT_EQ(requests.size() - before, 2u);
        EXPECT_EQ(requests.back().status, 206);
        if (fault.fault.kind != FaultStep::Kind::kReset) {
            // A reset may lose bytes already on their way; the others deliver all 4000.
            EXPECT_EQ(requests.back().range, "bytes=4000-");
        }
    }
}

TEST_F(DownloadJobTest, AServerIgnoringRangeHasTheFileWrittenAgainFromItsStart) {
    // A longer leftover first: after the whole body nothing of it may remain.
    testing::WriteFile(Target() + ".down", std::string(kFileSize + 2000, 'z'));
    CFaultProxy proxy(Plan({{FaultStep::Kind::kCut, 4000}}), nginx_->Port());
    ASSERT_TRUE(proxy.Start());
    ASSERT_EQ(Download(Through(proxy, "/norange/a.bin")), kDownloadCompleted);
    EXPECT_EQ(testing::ReadFile(Target()), content_);
    const auto requests = nginx_->WaitForRequests(2);
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].range, "bytes=12000-");
    EXPECT_EQ(requests[1].range, "bytes=4000-");
    EXPECT_EQ(requests[1].status, 200);
}

TEST_F(DownloadJobTest, AFailedJobLeavesThePreviousTargetAsItWas) {
    struct Case {
        const char* name;
        std::string url;
        FaultStep fault;  // applied to every connection
        size_t requests;  // what the job asks before it gives up
    };
    const Case cases[] = {
        {"404", "/gone", {}, 1},
        {"503", "/busy", {}, 1},
        {"empty body", "/files/empty.bin", {}, 1},
        // Never gets past byte 4000: the re-requests bring nothing new and the job stops.
        {"always cut, Range ignored",
         "/norange/a.bin",
         {FaultStep::Kind::kCut, 4000},
         1 + CHttpDownload::kMaxFruitlessRequests},
        {"always cut before the body",
         "/files/a.bin",
         {FaultStep::Kind::kCut, 0},
         CHttpDownload::kMaxFruitlessRequests},
    };
    size_t logged = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        testing::WriteFile(Target(), "previous package");
        SetModified(Target(), 12345);
        fs::remove(Target() + ".down");
        CFaultProxy proxy(Plan({}, c.fault), nginx_->Port());
        ASSERT_TRUE(proxy.Start());
        EXPECT_EQ(RunJob(Through(proxy, c.url)), kDownloadFailed);
        EXPECT_EQ(testing::ReadFile(Target()), "previous package");
        EXPECT_EQ(ModifiedTime(Target()), 12345);
        logged += c.requests;
        EXPECT_EQ(nginx_->WaitForRequests(logged).size(), logged);
        if (c.url == "/files/empty.bin") {
            EXPECT_FALSE(fs::exists(Target() + ".down"));
        }
    }
    EXPECT_EQ(RunJob(""), kDownloadFailed);
    DownloadJobSlot noPath;
    noPath.jobUrl = nginx_->BaseUrl() + "/files/a.bin";
    noPath.jobPath = "  ";
    RunDownloadJob(&noPath);
    EXPECT_EQ(noPath.jobResult, kDownloadFailed);
    EXPECT_EQ(nginx_->Requests().size(), logged);  // neither of the last two connected
}

TEST_F(DownloadJobTest, ATargetThatCannotBeReplacedIsAFailureNotACompletion) {
    // A folder in the target's place: the finished bytes cannot be moved there.
    fs::create_directories(Target() + "/keep");
    EXPECT_EQ(RunJob(nginx_->BaseUrl() + "/files/a.bin"), kDownloadFailed);
    EXPECT_TRUE(fs::is_directory(Target() + "/keep"));
    EXPECT_EQ(testing::ReadFile(Target() + ".down"), content_);
}

TEST_F(DownloadJobTest, ALengthAboveTheFreeSpaceEndsTheJobBeforeAnyByteIsWritten) {
    SetFreeDiskSpaceProbe([](std::uint64_t* bytes) {
        *bytes = kFileSize - 1;
        return true;
    });
    testing::WriteFile(Target(), "previous package");
    int diskFull = 0;
    EXPECT_EQ(RunJob(nginx_->BaseUrl() + "/files/a.bin", &diskFull), kDownloadFailed);
    EXPECT_EQ(diskFull, 1);
    EXPECT_FALSE(fs::exists(Target() + ".down"));
    EXPECT_EQ(testing::ReadFile(Target()), "previous package");
}

TEST_F(DownloadJobTest, NothingBeyondTheAnnouncedLengthIsWritten) {
    CFaultProxy peer(Plan({}, {FaultStep::Kind::kScript, 0,
                               "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nHELLO-AND-MORE"}),
                     0);
    ASSERT_TRUE(peer.Start());
    ASSERT_EQ(Download(Through(peer, "/a")), kDownloadCompleted);
    EXPECT_EQ(testing::ReadFile(Target()), "HELLO");
}

TEST_F(DownloadJobTest, AWorkerNeverResumedEndsWithoutAnyRequest) {
    {
        CHttpDownload client;
        ASSERT_TRUE(client.StartWorker(nginx_->BaseUrl() + "/files/a.bin", Target()));
    }
    EXPECT_TRUE(nginx_->Requests().empty());
    EXPECT_FALSE(fs::exists(Target()));
}

}  // namespace
}  // namespace ovix::updater
