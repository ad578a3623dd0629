#include "tests/updater-e2e/ChildProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <thread>

namespace ovix::updater::e2e {

namespace {

std::vector<char*> Pointers(std::vector<std::string>& strings) {
    std::vector<char*> pointers;
    for (std::string& s : strings) {
        pointers.push_back(s.data());
    }
    pointers.push_back(nullptr);
    return pointers;
}

}  // namespace

CChildProcess::CChildProcess(const Options& options) {
    std::vector<std::string> args = options.args;
    std::vector<std::string> environment = options.environment;
    auto argv = Pointers(args);
    auto envp = Pointers(environment);

    int in[2] = {-1, -1};
    if (options.holdStdin && ::pipe2(in, O_CLOEXEC) != 0) {
        return;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (options.holdStdin) {
        posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
    } else {
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    }
    const auto out = options.stdoutFile.empty() ? std::string("/dev/null") : options.stdoutFile;
    const auto err = options.stderrFile.empty() ? std::string("/dev/null") : options.stderrFile;
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, err.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (::posix_spawn(&m_pid, args[0].c_str(), &actions, nullptr, argv.data(), envp.data()) != 0) {
        m_pid = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    if (options.holdStdin) {
        ::close(in[0]);
        m_stdin = in[1];
    }
}

CChildProcess::~CChildProcess() {
    CloseStdin();
    Kill();
}

int CChildProcess::Wait(std::chrono::milliseconds timeout) {
    if (m_pid <= 0 || m_reaped) {
        return m_exitCode;
    }
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        int status = 0;
        const pid_t done = ::waitpid(m_pid, &status, WNOHANG);
        if (done == m_pid) {
            m_reaped = true;
            m_exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            return m_exitCode;
        }
        if (done < 0 || std::chrono::steady_clock::now() >= deadline) {
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

void CChildProcess::CloseStdin() {
    if (m_stdin >= 0) {
        ::close(m_stdin);
        m_stdin = -1;
    }
}

void CChildProcess::Kill() {
    if (m_pid > 0 && !m_reaped) {
        ::kill(m_pid, SIGKILL);
        int status = 0;
        ::waitpid(m_pid, &status, 0);
        m_reaped = true;
    }
}

}  // namespace ovix::updater::e2e
