// The system side of the update procedure with the real named objects and windows, in a
// runtime folder of the test's own.
#include "updater/update/SystemEnvironment.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <thread>

#include "common/MainClientContract.h"
#include "platform/ipc/MessageWindow.h"
#include "platform/ipc/NamedMutex.h"
#include "tests/support/nginx/NginxServer.h"
#include "updater/http/FreeDiskSpace.h"
#include "updater/update/UpdateProcedure.h"
#include "updater/update/tests/TempFolder.h"

namespace ovix::updater {
namespace {

using testing::CTempFolder;

class SystemEnvironmentTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string runtime = m_folder.Path() + "/runtime";
        ASSERT_EQ(::mkdir(runtime.c_str(), 0700), 0);
        const char* old = std::getenv("OVIX_RUNTIME_DIR");
        m_oldRuntime = old ? old : "";
        m_hadRuntime = old != nullptr;
        ::setenv("OVIX_RUNTIME_DIR", runtime.c_str(), 1);
    }
    void TearDown() override {
        if (m_hadRuntime) {
            ::setenv("OVIX_RUNTIME_DIR", m_oldRuntime.c_str(), 1);
        } else {
            ::unsetenv("OVIX_RUNTIME_DIR");
        }
    }

    CTempFolder m_folder;
    std::string m_oldRuntime;
    bool m_hadRuntime = false;
};

TEST_F(SystemEnvironmentTest, WaitEndsOnlyOnceTheLaunchersMutexIsGone) {
    CSystemEnvironment environment(m_folder.Path(), {});
    CUpdateProcedure procedure(m_folder.Path(), "http://127.0.0.1:1", environment,
                               {3, std::chrono::milliseconds(10)});
    EXPECT_TRUE(procedure.WaitForLauncherExit()) << "no launcher";

    auto launcher = platform::CNamedMutex::Create(contract::kLauncherRunningMutex);
    ASSERT_TRUE(launcher.IsValid());
    EXPECT_TRUE(environment.LauncherRunning());
    EXPECT_FALSE(procedure.WaitForLauncherExit()) << "every try found the launcher";
    EXPECT_TRUE(platform::CNamedMutex::Exists(contract::kLauncherRunningMutex))
        << "looking does not disturb the launcher's mutex";

    launcher.Close();
    EXPECT_FALSE(environment.LauncherRunning());
    EXPECT_FALSE(platform::CNamedMutex::Exists(contract::kLauncherRunningMutex))
        << "looking leaves nothing behind";
}

TEST_F(SystemEnvironmentTest, ReplaceMutexKeepsLaunchersOutWhileHeld) {
    CSystemEnvironment environment(m_folder.Path(), {});
    environment.HoldReplaceMutex();
    auto launcher = platform::CNamedMutex::Create(contract::kLauncherReplaceMutex);
    EXPECT_TRUE(launcher.AlreadyExisted()) << "a starting launcher quits";
    launcher.Close();
    environment.ReleaseReplaceMutex();
    EXPECT_FALSE(platform::CNamedMutex::Exists(contract::kLauncherReplaceMutex));
}

TEST_F(SystemEnvironmentTest, NotificationReachesTheMainClientsWindow) {
    CSystemEnvironment environment(m_folder.Path(), {});
    environment.NotifyMainClient();  // no window: nothing happens
    auto window = platform::CMessageWindow::Create(contract::kMainClientWindowClass);
    ASSERT_TRUE(window.IsValid());
    environment.NotifyMainClient();
    const auto message = window.Receive(5000);
    ASSERT_TRUE(message);
    EXPECT_EQ(*message, (platform::WindowMessage{3024, 0, 0}));
    EXPECT_FALSE(window.Receive(0)) << "exactly one";
}

TEST_F(SystemEnvironmentTest, DiskFullMessageGoesToTheSinkInTheSystemsLanguage) {
    std::vector<std::string> shown;
    CSystemEnvironment environment(
        m_folder.Path(), [&](const MessageText& message) { shown.emplace_back(message.text); });
    ::setenv("OVIX_OEMCP", "950", 1);
    environment.ShowDiskFullMessage();
    ::unsetenv("OVIX_OEMCP");
    EXPECT_EQ(shown, std::vector<std::string>{"磁碟空間不足"});
}

// A whole check in this process with the real jobs against nginx: the package arrives and
// the main client hears of it; with too little disk the message is shown and nothing else
// happens.
TEST_F(SystemEnvironmentTest, RealJobsFetchThePackageOrReportTheFullDisk) {
    const std::string www = m_folder.Path() + "/www";
    const std::string program = m_folder.Path() + "/program";
    std::filesystem::create_directories(www + "/patch");
    std::filesystem::create_directories(program);
    testing::WriteFile(www + "/patch/conupdate.cfg",
                       "<upcontrol><patch version=\"13\"/><ovix>7</ovix></upcontrol>");
    testing::WriteFile(www + "/patch/v2.ovix", std::string(50000, 'p'));
    testing::WriteFile(program + "/conupdate.cfg",
                       "<upcontrol><patch version=\"12\"/><ovix>7</ovix></upcontrol>");
    testsupport::CNginxServer nginx({.documentRoot = www});
    ASSERT_TRUE(nginx.Start()) << nginx.Error();
    auto window = platform::CMessageWindow::Create(contract::kMainClientWindowClass);
    ASSERT_TRUE(window.IsValid());

    int messages = 0;
    CSystemEnvironment environment(program, [&](const MessageText&) { ++messages; });
    CUpdateProcedure procedure(program, nginx.BaseUrl(), environment);

    // Room for the control file, not for the package.
    SetFreeDiskSpaceProbe([](std::uint64_t* bytes) {
        *bytes = 10000;
        return true;
    });
    procedure.RunUpdate();
    SetFreeDiskSpaceProbe(nullptr);
    EXPECT_EQ(messages, 1);
    EXPECT_FALSE(std::filesystem::exists(program + "/Download/update.ovix"));
    EXPECT_FALSE(window.Receive(0));

    procedure.RunUpdate();
    EXPECT_EQ(messages, 1);
    EXPECT_EQ(testing::ReadFile(program + "/Download/update.ovix"), std::string(50000, 'p'));
    const auto message = window.Receive(5000);
    ASSERT_TRUE(message);
    EXPECT_EQ(message->message, 3024u);
}

}  // namespace
}  // namespace ovix::updater
