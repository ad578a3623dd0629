// Whole update runs: the updater program against nginx on 127.0.0.1, with the stand-in main
// client listening for its message.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <thread>

#include "common/tagreader/ControlFile.h"
#include "tests/updater-e2e/UpdateServer.h"
#include "tests/updater-e2e/UpdaterSandbox.h"

namespace ovix::updater::e2e {
namespace {

namespace fs = std::filesystem;

constexpr const char* kFullPackage = "full package (v1)";
constexpr const char* kStepPackage = "step package (v2)";
constexpr const char* kNewLauncher = "#!/bin/sh\necho new launcher\n";
constexpr const char* kOldLauncher = "#!/bin/sh\necho old launcher\n";
constexpr const char* kReady = "message 3024 0 0";

using Messages = std::vector<std::string>;

class UpdateRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_sandbox.Ready());
        fs::create_directory(m_sandbox.Root() + "/server");
        m_server = std::make_unique<CUpdateServer>(m_sandbox.Root() + "/server");
        ASSERT_TRUE(m_server->Running());
        m_server->Serve("/patch/v1.ovix", kFullPackage);
        m_server->Serve("/patch/v2.ovix", kStepPackage);
        m_server->Serve("/patch/Ovix", kNewLauncher);
        WriteFile(m_sandbox.LauncherPath(), kOldLauncher);
        ::chmod(m_sandbox.LauncherPath().c_str(), 0755);
        m_mainClient = m_sandbox.StartMainClient(MainClientLog());
        ASSERT_TRUE(m_mainClient);
    }

    std::string MainClientLog() const { return m_sandbox.Root() + "/ovixmain.log"; }
    void Offer(int patch, int launcher) const {
        m_server->Serve("/patch/conupdate.cfg", ControlFile(patch, launcher));
    }
    // One updater run to its end; its exit code.
    int RunUpdater() const {
        auto updater = m_sandbox.StartUpdater(m_server->Url(), m_sandbox.Root() + "/stderr.txt");
        return updater->Wait(kRunTimeout);
    }
    std::vector<std::string> PackageRequests() const {
        std::vector<std::string> packages;
        for (const std::string& path : m_server->RequestedPaths()) {
            if (path != "/patch/conupdate.cfg") {
                packages.push_back(path);
            }
        }
        return packages;
    }
    int RecordedLauncherVersion() const {
        int patch = -2;
        int launcher = 0;
        tagreader::ReadControlFile(m_sandbox.LocalControl(), patch, launcher);
        return launcher;
    }

    CUpdaterSandbox m_sandbox;
    std::unique_ptr<CUpdateServer> m_server;
    std::unique_ptr<CChildProcess> m_mainClient;
};

TEST_F(UpdateRunTest, PatchLevelsChooseThePackage) {
    struct Case {
        int server;
        const char* package;  // nullptr: none
    } cases[] = {{13, kStepPackage}, {15, kFullPackage}, {11, kFullPackage}, {12, nullptr}};
    for (const Case& c : cases) {
        SCOPED_TRACE("local 12, server " + std::to_string(c.server));
        fs::remove(m_sandbox.PackagePath());
        const size_t before = m_server->RequestedPaths().size();
        WriteFile(m_sandbox.LocalControl(), ControlFile(12, 7));
        Offer(c.server, 7);
        EXPECT_EQ(RunUpdater(), 18);
        const auto requests = m_server->RequestedPaths();
        EXPECT_EQ(requests.size() - before, c.package ? 2u : 1u);
        if (c.package) {
            EXPECT_EQ(ReadFile(m_sandbox.PackagePath()), c.package);
            EXPECT_EQ(m_sandbox.MainClientMessages(MainClientLog()), Messages{kReady});
        } else {
            EXPECT_FALSE(fs::exists(m_sandbox.PackagePath()));
        }
        EXPECT_FALSE(fs::exists(m_sandbox.ProgramFolder() + "/conupdateup.cfg"));
        // The log keeps growing; start the next case from an empty one.
        m_sandbox.MainClientMessages(MainClientLog());
        WriteFile(MainClientLog(), "");
    }
    EXPECT_EQ(ReadFile(m_sandbox.LauncherPath()), kOldLauncher) << "same launcher version";
    EXPECT_FALSE(fs::exists(m_sandbox.Desktop() + "/ovix.desktop"));
}

TEST_F(UpdateRunTest, LocalFileWithoutPatchElementFetchesTheFullPackageAndTheLauncher) {
    const std::string local = "<upcontrol>\r\n  <ovix>7</ovix>\r\n</upcontrol>\r\n";
    WriteFile(m_sandbox.LocalControl(), local);
    Offer(3, 8);
    EXPECT_EQ(RunUpdater(), 18);
    EXPECT_EQ(PackageRequests(), (std::vector<std::string>{"/patch/v1.ovix", "/patch/Ovix"}));
    EXPECT_EQ(ReadFile(m_sandbox.LocalControl()), local) << "no patch element: nothing recorded";
    EXPECT_EQ(m_sandbox.MainClientMessages(MainClientLog()), Messages{kReady});
}

TEST_F(UpdateRunTest, ServerFileWithoutPatchElementFetchesNothing) {
    WriteFile(m_sandbox.LocalControl(), ControlFile(12, 7));
    m_server->Serve("/patch/conupdate.cfg", "<upcontrol>\r\n  <ovix>9</ovix>\r\n</upcontrol>\r\n");
    EXPECT_EQ(RunUpdater(), 18);
    EXPECT_EQ(m_server->RequestedPaths(), std::vector<std::string>{"/patch/conupdate.cfg"});
    EXPECT_EQ(ReadFile(m_sandbox.LauncherPath()), kOldLauncher);
    EXPECT_EQ(m_sandbox.MainClientMessages(MainClientLog()), Messages{});
}

TEST_F(UpdateRunTest, LauncherVersionZeroNeverReplacesTheLauncher) {
    WriteFile(m_sandbox.LocalControl(), ControlFile(12, 7));
    Offer(12, 0);
    EXPECT_EQ(RunUpdater(), 18);
    EXPECT_EQ(PackageRequests(), std::vector<std::string>{});
    EXPECT_EQ(ReadFile(m_sandbox.LauncherPath()), kOldLauncher);
    EXPECT_EQ(RecordedLauncherVersion(), 7);
    EXPECT_EQ(m_sandbox.MainClientMessages(MainClientLog()), Messages{});
}

// The launcher is replaced only once the running launcher has let go of its mutex; a second
// updater started meanwhile ends at once and leaves the first alone.
TEST_F(UpdateRunTest, NewLauncherWaitsUntilTheLauncherHasEnded) {
    WriteFile(m_sandbox.LocalControl(), ControlFile(12, 7));
    Offer(13, 8);
    auto launcher = m_sandbox.HoldMutex("mymutexfordown");
    ASSERT_TRUE(launcher);
    auto updater = m_sandbox.StartUpdater(m_server->Url());
    for (int i = 0; i < 1000 && !fs::exists(m_sandbox.PackagePath()); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_TRUE(fs::exists(m_sandbox.PackagePath()));
    std::this_thread::sleep_for(std::chrono::milliseconds(2500));  // two looks at the mutex

    EXPECT_EQ(updater->Wait(std::chrono::milliseconds(0)), -1) << "still waiting";
    EXPECT_EQ(ReadFile(m_sandbox.LauncherPath()), kOldLauncher);
    EXPECT_FALSE(m_sandbox.MutexExists("mymutexforovix"));
    EXPECT_EQ(PackageRequests(), std::vector<std::string>{"/patch/v2.ovix"});
    auto second = m_sandbox.StartUpdater(m_server->Url());
    EXPECT_EQ(second->Wait(kRunTimeout), 0);
    EXPECT_EQ(m_server->RequestedPaths().size(), 2u) << "the second one asked for nothing";

    launcher.reset();  // the launcher ends
    EXPECT_EQ(updater->Wait(kRunTimeout), 18);
    EXPECT_EQ(ReadFile(m_sandbox.LauncherPath()), kNewLauncher);
    struct stat st {};
    ASSERT_EQ(::stat(m_sandbox.LauncherPath().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0755u);
    EXPECT_FALSE(fs::exists(m_sandbox.LauncherPath() + ".down"));
    EXPECT_EQ(RecordedLauncherVersion(), 8);
    EXPECT_NE(ReadFile(m_sandbox.Desktop() + "/ovix.desktop")
                  .find("Exec=\"" + m_sandbox.LauncherPath() + "\"\n"),
              std::string::npos);
    EXPECT_FALSE(m_sandbox.MutexExists("mymutexforovix"));
    EXPECT_EQ(m_sandbox.MainClientMessages(MainClientLog()), Messages{kReady});
}

TEST_F(UpdateRunTest, LeftoverTemporaryPackageIsDeletedFirst) {
    WriteFile(m_sandbox.LocalControl(), ControlFile(12, 7));
    Offer(15, 7);
    fs::create_directory(m_sandbox.ProgramFolder() + "/Download");
    // Resumed from, these bytes would end up in front of the package's tail.
    WriteFile(m_sandbox.PackagePath() + ".down", "stale bytes");
    EXPECT_EQ(RunUpdater(), 18);
    EXPECT_EQ(ReadFile(m_sandbox.PackagePath()), kFullPackage);
    EXPECT_FALSE(fs::exists(m_sandbox.PackagePath() + ".down"));
}

TEST_F(UpdateRunTest, FailedPackageDownloadSendsNoMessage) {
    WriteFile(m_sandbox.LocalControl(), ControlFile(12, 7));
    Offer(13, 7);
    fs::remove(m_sandbox.Root() + "/server/www/patch/v2.ovix");
    EXPECT_EQ(RunUpdater(), 18);
    EXPECT_EQ(PackageRequests(), std::vector<std::string>{"/patch/v2.ovix"});
    EXPECT_FALSE(fs::exists(m_sandbox.PackagePath()));
    EXPECT_EQ(m_sandbox.MainClientMessages(MainClientLog()), Messages{});
    EXPECT_EQ(ReadFile(m_sandbox.Root() + "/stderr.txt"), "");
}

}  // namespace
}  // namespace ovix::updater::e2e
