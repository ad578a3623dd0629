#include "launcher/core/ProgramStarter.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <cerrno>

#include "launcher/tests/LauncherFixture.h"

namespace ovix::launcher {
namespace {

using platform::CProcessHandle;
using platform::ShowCommand;
using test::CProgramFolder;
using test::CStartRecorder;
using test::StartCall;

bool IsAlive(pid_t pid) {
    return ::kill(pid, 0) == 0 || errno != ESRCH;
}

TEST(ProgramStarterTest, StartsMainClientShownThenUpdaterHidden) {
    CProgramFolder programs;
    CStartRecorder recorder;
    CProgramStarter starter(programs.Path(), recorder.Function());
    starter.StartPrograms();
    const std::vector<StartCall> expected = {{"Ovixmain", "", ShowCommand::kShow},
                                             {"Pullpatch", "", ShowCommand::kHide}};
    EXPECT_EQ(recorder.calls, expected);
}

TEST(ProgramStarterTest, FailingMainClientIsTriedFiveTimesAndTheUpdaterStillStarts) {
    struct Case {
        int mainClientFailures;
        int expectedMainClientCalls;
    };
    for (const Case c : {Case{0, 1}, Case{2, 3}, Case{4, 5}, Case{5, 5}, Case{100, 5}}) {
        CProgramFolder programs;
        CStartRecorder recorder;
        int failures = c.mainClientFailures;
        recorder.succeeds = [&](const std::string& program) {
            return program != "Ovixmain" || failures-- <= 0;
        };
        // A wait on a started process would hang here if a failed start produced one.
        CProgramStarter starter(programs.Path(), recorder.Function(), 60000);
        starter.StartPrograms();
        EXPECT_EQ(recorder.Count("Ovixmain"), c.expectedMainClientCalls) << c.mainClientFailures;
        EXPECT_EQ(recorder.Count("Pullpatch"), 1);
        EXPECT_EQ(recorder.calls.back().program, "Pullpatch");
    }
}

TEST(ProgramStarterTest, FailingUpdaterIsNotRetried) {
    CProgramFolder programs;
    CStartRecorder recorder;
    recorder.succeeds = [](const std::string& program) { return program != "Pullpatch"; };
    CProgramStarter starter(programs.Path(), recorder.Function());
    starter.StartPrograms();
    EXPECT_EQ(recorder.Count("Pullpatch"), 1);
}

// A real main client that ends at once: the updater must come only after it has ended.
TEST(ProgramStarterTest, WaitEndsWhenTheMainClientEnds) {
    CProgramFolder programs;
    CStartRecorder recorder;
    pid_t mainClient = -1;
    bool mainClientGoneWhenUpdaterStarts = false;
    recorder.onStart = [&](const std::string& program, CProcessHandle* process) {
        if (program == "Ovixmain") {
            ASSERT_TRUE(platform::StartProgram("/bin/true", "", ShowCommand::kShow, process));
            mainClient = process->Pid();
        } else {
            mainClientGoneWhenUpdaterStarts = !IsAlive(mainClient);
        }
    };
    CProgramStarter starter(programs.Path(), recorder.Function(), 60000);
    starter.StartPrograms();
    EXPECT_TRUE(mainClientGoneWhenUpdaterStarts) << "ended and reaped by the wait";
}

TEST(ProgramStarterTest, WaitIsBoundedWhileTheMainClientRuns) {
    CProgramFolder programs;
    CStartRecorder recorder;
    pid_t mainClient = -1;
    bool mainClientRunningWhenUpdaterStarts = false;
    const std::string sleeper = programs.Path() + "/sleeper";
    std::ofstream(sleeper) << "#!/bin/sh\nexec sleep 30\n";
    std::filesystem::permissions(sleeper, std::filesystem::perms::owner_all);
    recorder.onStart = [&](const std::string& program, CProcessHandle* process) {
        if (program == "Ovixmain") {
            ASSERT_TRUE(platform::StartProgram(sleeper, "", ShowCommand::kShow, process));
            mainClient = process->Pid();
        } else {
            mainClientRunningWhenUpdaterStarts = IsAlive(mainClient);
        }
    };
    CProgramStarter starter(programs.Path(), recorder.Function(), 100);
    starter.StartPrograms();
    EXPECT_TRUE(mainClientRunningWhenUpdaterStarts);
    ASSERT_GT(mainClient, 0);
    ::kill(mainClient, SIGKILL);
    CProcessHandle reaper(mainClient);
    EXPECT_EQ(reaper.Wait(10000), platform::WaitResult::kExited);
}

TEST(ProgramStarterTest, FinishAndLaunchRemovesPackageAndHidesWindowBeforeTheWait) {
    for (const bool packageThere : {true, false}) {
        CProgramFolder programs;
        if (packageThere) {
            programs.MakeFile("Download/update.ovix");
        }
        CStartRecorder recorder;
        std::vector<std::string> steps;
        recorder.onStart = [&](const std::string& program, CProcessHandle*) {
            steps.push_back(program + (programs.Has("Download/update.ovix") ? " +pkg" : ""));
        };
        CProgramStarter starter(programs.Path(), recorder.Function());
        starter.FinishAndLaunch([&] { steps.push_back("hide"); });
        EXPECT_EQ(steps, (std::vector<std::string>{"Ovixmain", "hide", "Pullpatch"}));
        const std::vector<StartCall> expected = {{"Ovixmain", programs.Path(), ShowCommand::kShow},
                                                 {"Pullpatch", "", ShowCommand::kHide}};
        EXPECT_EQ(recorder.calls, expected);
        EXPECT_EQ(programs.Has("Download"), packageThere) << "only the package file goes";
    }
}

}  // namespace
}  // namespace ovix::launcher
