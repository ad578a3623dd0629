#include "agent/core/CStopSignal.h"

#include <mutex>

namespace ovix::agent {

void CStopSignal::Set() {
    {
        CLockGuard guard(lock_);
        stopped_.store(true);
    }
    changed_.notify_all();
}

void CStopSignal::Reset() {
    CLockGuard guard(lock_);
    stopped_.store(false);
}

bool CStopSignal::WaitFor(int ms) {
    std::unique_lock<CLock> guard(lock_);
    return changed_.wait_for(guard, std::chrono::milliseconds(ms),
                             [this] { return stopped_.load(); });
}

}  // namespace ovix::agent
