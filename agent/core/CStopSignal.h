// A stop flag that a pausing worker can wait on: Set wakes the pause at once, so a stop
// is never held up by a fixed sleep.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>

#include "agent/core/CLock.h"

namespace ovix::agent {

class CStopSignal {
public:
    void Set();
    void Reset();
    bool IsSet() const { return stopped_.load(); }
    // Pauses up to ms; true when the flag is set (at once, or during the pause).
    bool WaitFor(int ms);
    const std::atomic<bool>& Flag() const { return stopped_; }

private:
    CLock lock_;
    std::condition_variable_any changed_;  // with lock_
    std::atomic<bool> stopped_{false};     // written under lock_, read anywhere
};

}  // namespace ovix::agent
