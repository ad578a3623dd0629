#include "agent/core/BoundedJoin.h"

#include <chrono>

#include "agent/core/SocketTrace.h"

namespace ovix::agent {

bool BoundedJoin(std::thread& worker, const std::atomic<bool>& running, const char* name) {
    if (!worker.joinable()) {
        return true;
    }
    using Clock = std::chrono::steady_clock;
    const auto deadline =
        Clock::now() + std::chrono::milliseconds(kJoinWaitMs + kJoinChecks * kJoinCheckMs);
    bool ended = true;
    while (running.load()) {
        if (Clock::now() >= deadline) {
            ended = false;
            DebugTrace("%s - worker did not end in time, still waiting\r\n", name);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    worker.join();
    return ended;
}

}  // namespace ovix::agent
