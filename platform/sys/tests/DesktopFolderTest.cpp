#include "platform/sys/DesktopFolder.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/time.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace ovix::platform {
namespace {

void IgnoreAlarm(int) {}

// Signals arriving while the tool is asked must not be taken for a failed tool: a caller with
// a handler (for SIGCHLD of its own children, a timer) would get the fallback folder instead.
TEST(DesktopFolderTest, SignalsWhileTheToolRunsAreNoFailure) {
    char pattern[] = "/tmp/ovix-desktop-test-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    const std::string folder = pattern;
    const std::string tool = folder + "/xdg-user-dir";
    std::ofstream(tool) << "#!/bin/sh\nsleep 0.3\necho /elsewhere/Desk\n";
    ::chmod(tool.c_str(), 0755);
    const std::string oldPath = ::getenv("PATH") != nullptr ? ::getenv("PATH") : "";
    ::setenv("PATH", (folder + ":" + oldPath).c_str(), 1);

    struct sigaction handler {};
    handler.sa_handler = IgnoreAlarm;  // no SA_RESTART: a waiting poll ends with EINTR
    struct sigaction previous {};
    ::sigaction(SIGALRM, &handler, &previous);
    const itimerval every50ms{{0, 50000}, {0, 50000}};
    ::setitimer(ITIMER_REAL, &every50ms, nullptr);

    const std::string desktop = DesktopFolder();

    const itimerval off{};
    ::setitimer(ITIMER_REAL, &off, nullptr);
    ::sigaction(SIGALRM, &previous, nullptr);
    ::setenv("PATH", oldPath.c_str(), 1);
    std::filesystem::remove_all(folder);
    EXPECT_EQ(desktop, "/elsewhere/Desk");
}

}  // namespace
}  // namespace ovix::platform
