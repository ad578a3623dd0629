// A started child process that can be waited on with a time-out, in the manner of a process
// handle. Dropping the handle does not stop the process; an exited child is reaped then, a
// running one is left to run (and reaped by whoever inherits it when this process ends).
#pragma once

#include <sys/types.h>

namespace ovix::platform {

enum class WaitResult {
    kExited,    // the process has ended (or no process was started: nothing to wait for)
    kTimedOut,  // still running when the time ran out
    kFailed,    // the wait itself failed
};

class CProcessHandle {
public:
    CProcessHandle() = default;
    explicit CProcessHandle(pid_t pid) : pid_(pid) {}
    ~CProcessHandle();
    CProcessHandle(CProcessHandle&& other) noexcept;
    CProcessHandle& operator=(CProcessHandle&& other) noexcept;
    CProcessHandle(const CProcessHandle&) = delete;
    CProcessHandle& operator=(const CProcessHandle&) = delete;

    bool IsValid() const { return pid_ > 0; }
    pid_t Pid() const { return pid_; }

    // Waits at most timeoutMs (-1 without limit) for the process to end. Returns at once
    // with kExited for an invalid handle or a process already reaped.
    WaitResult Wait(int timeoutMs);
    // Exit status as waitpid reports it, once Wait returned kExited; -1 before.
    int RawStatus() const { return status_; }

private:
    void ReapIfExited();

    pid_t pid_ = -1;
    bool reaped_ = false;
    int status_ = -1;
};

}  // namespace ovix::platform
