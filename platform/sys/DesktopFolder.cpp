#include "platform/sys/DesktopFolder.h"

#include "platform/sys/HomeFolder.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>

extern char** environ;

namespace ovix::platform {

namespace {

// The tool is a tiny shell script; a hung one must not hold up its caller.
constexpr auto kToolTimeout = std::chrono::seconds(3);
constexpr size_t kMaxOutput = 4096;

// First line of what `xdg-user-dir DESKTOP` prints; empty on any failure.
std::string AskXdgUserDir() {
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) {
        return {};
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    char tool[] = "xdg-user-dir";
    char which[] = "DESKTOP";
    char* argv[] = {tool, which, nullptr};
    pid_t pid = -1;
    const int spawned = ::posix_spawnp(&pid, tool, &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    if (spawned != 0) {
        ::close(out[0]);
        return {};
    }

    std::string output;
    const auto deadline = std::chrono::steady_clock::now() + kToolTimeout;
    bool finished = false;
    while (output.size() < kMaxOutput) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            break;
        }
        pollfd p{out[0], POLLIN, 0};
        const int ready = ::poll(&p, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR) {
            continue;  // a signal for the caller (the tool's own SIGCHLD, say) is no failure
        }
        if (ready <= 0) {
            break;
        }
        char buffer[512];
        const ssize_t n = ::read(out[0], buffer, sizeof buffer);
        if (n <= 0) {
            finished = n == 0;
            break;
        }
        output.append(buffer, static_cast<size_t>(n));
    }
    ::close(out[0]);
    if (!finished) {
        ::kill(pid, SIGKILL);
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (!finished || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        return {};
    }
    const size_t lineEnd = output.find('\n');
    if (lineEnd != std::string::npos) {
        output.resize(lineEnd);
    }
    return output;
}

}  // namespace

std::string DesktopFolder() {
    std::string folder = AskXdgUserDir();
    if (!folder.empty() && folder[0] == '/') {
        return folder;
    }
    const std::string home = HomeFolder();
    return home.empty() ? std::string() : home + "/Desktop";
}

}  // namespace ovix::platform
