#include "platform/sys/ProgramStart.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/ipc/tests/TempFolder.h"

namespace ovix::platform {
namespace {

using test::CTempFolder;

class ProgramStartTest : public testing::Test {
protected:
    // An executable shell script in the temp folder.
    std::string Script(const std::string& name, const std::string& body, mode_t mode = 0755) {
        const std::string path = folder_.Path() + "/" + name;
        std::ofstream(path) << "#!/bin/sh\n" << body << "\n";
        ::chmod(path.c_str(), mode);
        return path;
    }
    std::string Read(const std::string& name) const {
        std::ifstream in(folder_.Path() + "/" + name);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    CTempFolder folder_;
};

TEST_F(ProgramStartTest, StartsWithoutArgumentsInTheGivenFolderWithTheShowCommand) {
    const std::string work = folder_.Path() + "/work";
    std::filesystem::create_directory(work);
    const std::string record = folder_.Path() + "/record";
    const std::string program = Script("prog", "echo \"$# $PWD $OVIX_SHOW_COMMAND\" > " + record);
    struct Case {
        std::string folder;
        ShowCommand show;
        std::string expected;
    };
    const Case cases[] = {
        {work, ShowCommand::kShow, "0 " + work + " 5\n"},
        {"", ShowCommand::kHide, "0 " + std::filesystem::current_path().string() + " 0\n"},
    };
    ::setenv(kShowCommandVariable, "77", 1);  // the starter's own value is replaced
    for (const Case& c : cases) {
        CProcessHandle process;
        ASSERT_TRUE(StartProgram(program, c.folder, c.show, &process));
        ASSERT_TRUE(process.IsValid());
        ASSERT_EQ(process.Wait(10000), WaitResult::kExited);
        EXPECT_TRUE(WIFEXITED(process.RawStatus()));
        EXPECT_EQ(Read("record"), c.expected);
    }
    ::unsetenv(kShowCommandVariable);
}

TEST_F(ProgramStartTest, ProgramsThatCannotRunAreReportedAsNotStarted) {
    const std::string plain = Script("plain", "exit 0", 0644);
    const std::string good = Script("good", "exit 0");
    struct Case {
        std::string file;
        std::string folder;
    };
    const Case cases[] = {
        {folder_.Path() + "/missing", ""},          {plain, ""}, {folder_.Path(), ""},  // a folder
        {good, folder_.Path() + "/no-such-folder"}, {"", ""},
    };
    for (const Case& c : cases) {
        CProcessHandle process;
        EXPECT_FALSE(StartProgram(c.file, c.folder, ShowCommand::kShow, &process)) << c.file;
        EXPECT_FALSE(process.IsValid());
        EXPECT_EQ(process.Wait(5000), WaitResult::kExited) << "nothing to wait for";
    }
}

TEST_F(ProgramStartTest, WaitTimesOutWhileTheProgramRuns) {
    const std::string program = Script("sleeper", "exec sleep 30");
    CProcessHandle process;
    ASSERT_TRUE(StartProgram(program, "", ShowCommand::kHide, &process));
    EXPECT_EQ(process.Wait(50), WaitResult::kTimedOut);
    EXPECT_EQ(process.Wait(0), WaitResult::kTimedOut);
    ::kill(process.Pid(), SIGKILL);
    EXPECT_EQ(process.Wait(10000), WaitResult::kExited);
    EXPECT_TRUE(WIFSIGNALED(process.RawStatus()));
    EXPECT_EQ(process.Wait(0), WaitResult::kExited) << "a reaped process stays ended";
}

TEST_F(ProgramStartTest, StartedProgramDoesNotInheritBlockedSignals) {
    sigset_t term;
    sigemptyset(&term);
    sigaddset(&term, SIGTERM);
    sigset_t old;
    ::sigprocmask(SIG_BLOCK, &term, &old);
    const std::string program = Script("sleeper", "exec sleep 30");
    CProcessHandle process;
    const bool started = StartProgram(program, "", ShowCommand::kHide, &process);
    ::sigprocmask(SIG_SETMASK, &old, nullptr);
    ASSERT_TRUE(started);
    // Give the shell time to exec sleep; SIGTERM must end it either way.
    ::kill(process.Pid(), SIGTERM);
    ASSERT_EQ(process.Wait(10000), WaitResult::kExited);
    EXPECT_TRUE(WIFSIGNALED(process.RawStatus()));
    EXPECT_EQ(WTERMSIG(process.RawStatus()), SIGTERM);
}

}  // namespace
}  // namespace ovix::platform
