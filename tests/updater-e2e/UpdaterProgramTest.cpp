// Whole runs of the updater program that need no update server.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/updater-e2e/LocalListener.h"
#include "tests/updater-e2e/UpdaterSandbox.h"

namespace ovix::updater::e2e {
namespace {

namespace fs = std::filesystem;

std::string UrlOf(const CLocalListener& listener) {
    return "http://127.0.0.1:" + std::to_string(listener.Port());
}

TEST(UpdaterProgram, SecondInstanceEndsAtOnceWithoutTouchingAnything) {
    CUpdaterSandbox sandbox;
    ASSERT_TRUE(sandbox.Ready());
    CLocalListener server;
    auto first = sandbox.HoldMutex("DownMutex");
    ASSERT_TRUE(first);
    auto second = sandbox.StartUpdater(UrlOf(server));
    EXPECT_EQ(second->Wait(kRunTimeout), 0);
    EXPECT_EQ(server.TakeConnections(), 0);
    EXPECT_FALSE(fs::exists(sandbox.ProgramFolder() + "/Download"));
    EXPECT_TRUE(sandbox.MutexExists("DownMutex")) << "the first instance keeps its mutex";
}

TEST(UpdaterProgram, PendingPackageMeansNoConnectionAndExitCode18) {
    for (bool display : {false, true}) {
        SCOPED_TRACE(display ? "with a display" : "without a display");
        CUpdaterSandbox sandbox;
        ASSERT_TRUE(sandbox.Ready());
        CLocalListener server;
        fs::create_directory(sandbox.ProgramFolder() + "/Download");
        WriteFile(sandbox.PackagePath(), "waiting package");
        WriteFile(sandbox.PackagePath() + ".down", "left over");
        auto updater = sandbox.StartUpdater(UrlOf(server), {}, display);
        EXPECT_EQ(updater->Wait(kRunTimeout), 18);
        EXPECT_EQ(server.TakeConnections(), 0);
        EXPECT_EQ(ReadFile(sandbox.PackagePath()), "waiting package");
        EXPECT_TRUE(fs::exists(sandbox.PackagePath() + ".down")) << "nothing is touched";
        EXPECT_FALSE(sandbox.MutexExists("DownMutex")) << "released at the end";
    }
}

TEST(UpdaterProgram, NoNetworkEndsWithExitCode18AndNoMessage) {
    CUpdaterSandbox sandbox;
    ASSERT_TRUE(sandbox.Ready());
    WriteFile(sandbox.LocalControl(), ControlFile(12, 7));
    CLocalListener refused;
    refused.Close();
    const std::string errors = sandbox.Root() + "/stderr.txt";
    auto updater = sandbox.StartUpdater(UrlOf(refused), errors);
    EXPECT_EQ(updater->Wait(kRunTimeout), 18);
    EXPECT_EQ(ReadFile(errors), "");
    EXPECT_EQ(ReadFile(sandbox.LocalControl()), ControlFile(12, 7));
    EXPECT_TRUE(fs::is_empty(sandbox.ProgramFolder() + "/Download"));
    EXPECT_FALSE(fs::exists(sandbox.ProgramFolder() + "/conupdateup.cfg"));
}

}  // namespace
}  // namespace ovix::updater::e2e
