#include "agent/core/CClientSock.h"

#include <poll.h>

#include <cerrno>
#include <mutex>
#include <system_error>

#include "agent/core/SocketTrace.h"
#include "platform/net/SocketCalls.h"
#include "platform/net/WinsockError.h"

namespace ovix::agent {

CClientSock::~CClientSock() {
    StopPoll();
}

int CClientSock::StartPoll() {
    if (pollThread_.joinable()) {
        if (!pollLeaving_.load() && PollRunning()) {
            return -1;
        }
        pollThread_.join();  // a thread that has ended, or is about to
    }
    {
        CLockGuard guard(pollStopLock_);
        pollStop_ = false;
    }
    pollWake_.Clear();  // no poll thread runs now
    pollLeaving_.store(false);
    {
        CLockGuard guard(pollRunLock_);
        pollRunning_ = true;  // set here, so a StopPoll right after the start sees it
    }
    try {
        pollThread_ = std::thread(&CClientSock::PollThread, this);
    } catch (const std::system_error&) {
        CLockGuard guard(pollRunLock_);
        pollRunning_ = false;
        return -2;
    }
    return 0;
}

int CClientSock::StopPoll() {
    {
        CLockGuard guard(pollStopLock_);
        pollStop_ = true;
    }
    pollStopChanged_.notify_all();
    pollWake_.Signal();
    // The thread leaves at once: its waits end on the stop (or, should the system have
    // given no wake event, within kPollTimeoutMs) and its reads never block.
    if (pollThread_.joinable()) {
        pollThread_.join();
    }
    return 0;
}

bool CClientSock::PollRunning() {
    CLockGuard guard(pollRunLock_);
    return pollRunning_;
}

bool CClientSock::PollStopRequested() {
    CLockGuard guard(pollStopLock_);
    return pollStop_;
}

void CClientSock::ArmPoll(bool armed) {
    {
        CLockGuard guard(pollStopLock_);
        pollArmed_.store(armed);
    }
    pollStopChanged_.notify_all();
}

int CClientSock::WaitForIncomingDat(int ms) {
    if (!pollArmed_.load()) {
        std::unique_lock<CLock> guard(pollStopLock_);
        pollStopChanged_.wait_for(guard, std::chrono::milliseconds(ms),
                                  [this] { return pollStop_ || pollArmed_.load(); });
        return -2;
    }
    short revents = 0;
    bool woken = false;
    const platform::SocketWait wait = platform::WaitForSocketOrWake(
        Socket(), POLLIN | POLLPRI, pollWake_.Fd(), ms, &revents, &woken);
    if (wait == platform::SocketWait::kReady) {
        if (woken && revents == 0) {
            return -2;  // told to stop: the thread's loop sees it
        }
        if (revents & (POLLIN | POLLHUP | POLLERR)) {
            return 0;
        }
        if (revents & POLLNVAL) {
            DebugTrace("CClientSock::WaitForIncomingDat - exit\r\n");
            return -1;
        }
        return -3;
    }
    if (wait == platform::SocketWait::kFailed &&
        platform::IsConnectionError(platform::LastSocketError())) {
        DebugTrace("CClientSock::WaitForIncomingDat - exit\r\n");
        return -1;
    }
    return -2;
}

void CClientSock::PollThread() {
    while (!PollStopRequested()) {
        const int waited = WaitForIncomingDat(kPollTimeoutMs);
        if (waited == -2) {
            continue;  // the wait itself was the idle pause
        }
        if (waited != 0) {
            // The socket is gone or only signals an exception: pause, unless stopping.
            std::unique_lock<CLock> guard(pollStopLock_);
            pollStopChanged_.wait_for(guard, std::chrono::milliseconds(kPauseMs),
                                      [this] { return pollStop_; });
            continue;
        }
        if (OnReadable() == 0) {
            break;
        }
    }
    pollLeaving_.store(true);
    CLockGuard guard(pollRunLock_);
    pollRunning_ = false;
}

}  // namespace ovix::agent
