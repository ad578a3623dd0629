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
    // The thread leaves within one 20 ms slice: its reads never block.
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
    const platform::SocketWait wait =
        platform::WaitForSocket(Socket(), POLLIN | POLLPRI, ms, &revents);
    if (wait == platform::SocketWait::kReady) {
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
            pollStopChanged_.wait_for(guard, std::chrono::milliseconds(kPollTimeoutMs),
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
