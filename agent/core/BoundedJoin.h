// Ends a worker thread within a bound: threads cannot be killed, so a worker is first
// woken (its socket shut, its stop flag set) and then waited for. The wait is 1000 ms,
// then ten checks 20 ms apart, as long as the worker's running flag stays set.
#pragma once

#include <atomic>
#include <thread>

namespace ovix::agent {

inline constexpr int kJoinWaitMs = 1000;
inline constexpr int kJoinChecks = 10;
inline constexpr int kJoinCheckMs = 20;

// Joins worker. True when it ended within the bound; when it did not, a trace names
// it and the join still waits, since freeing what it uses would be worse.
bool BoundedJoin(std::thread& worker, const std::atomic<bool>& running, const char* name);

}  // namespace ovix::agent
