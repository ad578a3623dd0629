#include "platform/sys/ProcessHandle.h"

#include <poll.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>
#include <utility>

namespace ovix::platform {
namespace {

using Clock = std::chrono::steady_clock;

// Milliseconds left until the deadline, -1 for no deadline, 0 once it has passed.
int MillisecondsLeft(bool limited, Clock::time_point deadline) {
    if (!limited) {
        return -1;
    }
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

// A descriptor that turns readable when the process ends; -1 where the kernel lacks it.
int OpenProcessDescriptor(pid_t pid) {
#ifdef SYS_pidfd_open
    return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
#else
    (void)pid;
    return -1;
#endif
}

}  // namespace

CProcessHandle::~CProcessHandle() {
    ReapIfExited();
}

CProcessHandle::CProcessHandle(CProcessHandle&& other) noexcept
    : pid_(std::exchange(other.pid_, -1)),
      reaped_(std::exchange(other.reaped_, false)),
      status_(std::exchange(other.status_, -1)) {}

CProcessHandle& CProcessHandle::operator=(CProcessHandle&& other) noexcept {
    if (this != &other) {
        ReapIfExited();
        pid_ = std::exchange(other.pid_, -1);
        reaped_ = std::exchange(other.reaped_, false);
        status_ = std::exchange(other.status_, -1);
    }
    return *this;
}

void CProcessHandle::ReapIfExited() {
    if (pid_ > 0 && !reaped_) {
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {
            reaped_ = true;
            status_ = status;
        }
    }
}

WaitResult CProcessHandle::Wait(int timeoutMs) {
    if (pid_ <= 0 || reaped_) {
        return WaitResult::kExited;
    }
    const bool limited = timeoutMs >= 0;
    const auto deadline = Clock::now() + std::chrono::milliseconds(limited ? timeoutMs : 0);
    const int pidfd = OpenProcessDescriptor(pid_);
    for (;;) {
        int status = 0;
        const pid_t done = ::waitpid(pid_, &status, WNOHANG);
        if (done == pid_) {
            reaped_ = true;
            status_ = status;
            break;
        }
        if (done < 0 && errno != EINTR) {
            // ECHILD: somebody else reaped it (SIGCHLD ignored, say); it has ended all the same.
            reaped_ = errno == ECHILD;
            break;
        }
        const int left = MillisecondsLeft(limited, deadline);
        if (left == 0) {
            break;
        }
        if (pidfd >= 0) {
            pollfd entry{pidfd, POLLIN, 0};
            ::poll(&entry, 1, left);  // ends at exit, time-out or signal; waitpid decides
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(left < 0 || left > 5 ? 5 : left));
        }
    }
    if (pidfd >= 0) {
        ::close(pidfd);
    }
    if (reaped_) {
        return WaitResult::kExited;
    }
    return MillisecondsLeft(limited, deadline) == 0 ? WaitResult::kTimedOut : WaitResult::kFailed;
}

}  // namespace ovix::platform
