#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

namespace ovix::updater::e2e {

// A program started by a test with an explicit environment, its output in files and, when
// asked for, a pipe on its standard input that the test holds. Killed and reaped when dropped.
class CChildProcess {
public:
    struct Options {
        std::vector<std::string> args;  // args[0] is the program file
        std::vector<std::string> environment;
        std::string stdoutFile;  // /dev/null when empty
        std::string stderrFile;
        bool holdStdin = false;
    };

    explicit CChildProcess(const Options& options);
    ~CChildProcess();
    CChildProcess(const CChildProcess&) = delete;
    CChildProcess& operator=(const CChildProcess&) = delete;

    bool Started() const { return m_pid > 0; }
    // Waits up to `timeout`; the exit code, or -1 when it did not end in time or was killed.
    int Wait(std::chrono::milliseconds timeout);
    // Closes the stdin pipe (a probe then lets go of what it holds).
    void CloseStdin();
    void Kill();

private:
    pid_t m_pid = -1;
    int m_stdin = -1;
    bool m_reaped = false;
    int m_exitCode = -1;
};

}  // namespace ovix::updater::e2e
