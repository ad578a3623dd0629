#include "launcher/core/LauncherApp.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <map>
#include <optional>

#include "launcher/tests/LauncherFixture.h"
#include "platform/ipc/MessageWindow.h"
#include "platform/ipc/NamedEvent.h"
#include "platform/ipc/NamedMutex.h"

namespace ovix::launcher {
namespace {

using platform::CMessageWindow;
using platform::CNamedEvent;
using platform::CNamedMutex;
using platform::WindowMessage;
using test::CProgramFolder;
using test::CStartRecorder;

const char* const kObjectNames[] = {"pathMutex", "mymutexfordown", "mymutexforovix", "CLIENTOvix"};

// Which of the launcher's named objects exist right now.
std::map<std::string, bool> ObjectsNow() {
    std::map<std::string, bool> objects;
    for (const char* name : kObjectNames) {
        objects[name] = platform::CNamedObject::Exists(name);
    }
    return objects;
}

// The launcher with the update window replaced by a counter; `duringWindow` runs while the
// window would be up.
class CTestLauncherApp : public CLauncherApp {
public:
    CTestLauncherApp(const std::string& folder, CStartRecorder& recorder)
        : CLauncherApp(folder, recorder.Function(), 0) {}

    int windowRuns = 0;
    std::function<void()> duringWindow;

protected:
    int RunUpdateWindow() override {
        ++windowRuns;
        if (duringWindow) {
            duringWindow();
        }
        return kUpdateWindowClosed;
    }
};

// What another launcher would do if started right now: how many starts and whether it found
// anything to post to (the posted message is checked on the window).
int StartsOfAnotherLauncher(const std::string& folder) {
    CStartRecorder recorder;
    CTestLauncherApp other(folder, recorder);
    EXPECT_FALSE(other.InitInstance());
    return static_cast<int>(recorder.calls.size()) + other.windowRuns;
}

class LauncherAppTest : public testing::Test {
protected:
    CProgramFolder programs_;
    CStartRecorder recorder_;
};

TEST_F(LauncherAppTest, NoPackageStartsBothProgramsHoldingAllObjectsMeanwhile) {
    std::map<std::string, bool> duringStart;
    int secondLauncherStarts = -1;
    recorder_.onStart = [&](const std::string& program, platform::CProcessHandle*) {
        if (program == "Pullpatch") {
            duringStart = ObjectsNow();
            secondLauncherStarts = StartsOfAnotherLauncher(programs_.Path());
        }
    };
    CTestLauncherApp app(programs_.Path(), recorder_);
    EXPECT_FALSE(app.InitInstance());
    EXPECT_EQ(app.ExitCode(), 0);
    EXPECT_EQ(recorder_.Count("Ovixmain"), 1);
    EXPECT_EQ(recorder_.Count("Pullpatch"), 1);
    EXPECT_EQ(app.windowRuns, 0);
    for (const char* name : kObjectNames) {
        EXPECT_TRUE(duringStart[name]) << name;
    }
    EXPECT_EQ(secondLauncherStarts, 0);
    // Held until the launcher goes away (its process ends).
    EXPECT_EQ(ObjectsNow(), duringStart);
}

TEST_F(LauncherAppTest, ObjectHeldElsewhereDecidesTheOutcome) {
    struct Case {
        const char* held;
        bool withPackage;
        bool withWindow;
        std::optional<WindowMessage> posted;
    };
    const WindowMessage handOver{10024, 0, 0};
    const Case cases[] = {
        {"pathMutex", false, true, std::nullopt},       // another launcher
        {"pathMutex", true, true, std::nullopt},        //
        {"mymutexforovix", false, true, std::nullopt},  // the updater replaces the launcher
        {"CLIENTOvix", false, true, handOver},          // a main client runs
        {"CLIENTOvix", true, true, handOver},           // ... even with a package pending
        {"CLIENTOvix", false, false, std::nullopt},     // ... but shows no window
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.held) + (c.withPackage ? " with package" : "") +
                     (c.withWindow ? " with window" : ""));
        CProgramFolder programs;
        if (c.withPackage) {
            programs.MakeFile("Download/update.ovix");
        }
        CNamedMutex other = CNamedMutex::Create(c.held);
        CMessageWindow window;
        if (c.withWindow) {
            window = CMessageWindow::Create("Ovixmain");
            ASSERT_TRUE(window.IsValid());
        }
        CStartRecorder recorder;
        CTestLauncherApp app(programs.Path(), recorder);
        EXPECT_FALSE(app.InitInstance());
        EXPECT_TRUE(recorder.calls.empty());
        EXPECT_EQ(app.windowRuns, 0);
        EXPECT_EQ(window.Receive(0), c.posted);
        EXPECT_EQ(window.Receive(0), std::nullopt) << "one message at most";
        EXPECT_EQ(programs.Has("Download/update.ovix"), c.withPackage) << "the package stays";
        if (std::string(c.held) != "CLIENTOvix") {
            EXPECT_FALSE(CNamedEvent::Open("CLIENTOvix").IsValid()) << "stopped before step 5";
        }
    }
}

TEST_F(LauncherAppTest, PendingPackageRunsTheUpdateWindowAndThenLetsGoOfTheInstanceMutex) {
    programs_.MakeFile("Download/update.ovix");
    std::map<std::string, bool> duringWindow;
    int secondLauncherStarts = -1;
    CTestLauncherApp app(programs_.Path(), recorder_);
    app.duringWindow = [&] {
        duringWindow = ObjectsNow();
        secondLauncherStarts = StartsOfAnotherLauncher(programs_.Path());
    };
    EXPECT_FALSE(app.InitInstance());
    EXPECT_EQ(app.windowRuns, 1);
    EXPECT_TRUE(recorder_.calls.empty());
    EXPECT_EQ(secondLauncherStarts, 0);
    for (const char* name : kObjectNames) {
        EXPECT_TRUE(duringWindow[name]) << name;
    }
    const auto after = ObjectsNow();
    EXPECT_FALSE(after.at("pathMutex"));
    EXPECT_TRUE(after.at("mymutexfordown"));
    EXPECT_TRUE(after.at("mymutexforovix"));
    EXPECT_TRUE(after.at("CLIENTOvix"));
    EXPECT_TRUE(programs_.Has("Download/update.ovix"));
}

TEST_F(LauncherAppTest, WithoutTheWindowThePendingPackageIsReportedAndLeftAlone) {
    programs_.MakeFile("Download/update.ovix");
    CLauncherApp app(programs_.Path(), recorder_.Function(), 0);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(app.InitInstance());
    const std::string printed = testing::internal::GetCapturedStderr();
    EXPECT_NE(printed.find("update package waits"), std::string::npos) << printed;
    EXPECT_TRUE(recorder_.calls.empty());
    EXPECT_TRUE(programs_.Has("Download/update.ovix"));
}

TEST_F(LauncherAppTest, RefusedRuntimeFolderOrUnknownProgramFolderStartsNothing) {
    {
        CLauncherApp app("", recorder_.Function(), 0);
        EXPECT_FALSE(app.InitInstance());
        EXPECT_EQ(app.ExitCode(), 1);
    }
    ASSERT_TRUE(CNamedMutex::Create("warmup").IsValid());  // the folder exists
    ASSERT_EQ(::chmod(programs_.Runtime().c_str(), 0755), 0);
    CLauncherApp app(programs_.Path(), recorder_.Function(), 0);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(app.InitInstance());
    const std::string printed = testing::internal::GetCapturedStderr();
    EXPECT_EQ(app.ExitCode(), 1);
    EXPECT_NE(printed.find("refused"), std::string::npos) << printed;
    EXPECT_TRUE(recorder_.calls.empty());
}

}  // namespace
}  // namespace ovix::launcher
