// Hand-off of log lines from the relay's threads to the window's thread. One FIFO keeps each
// thread's lines in the order it wrote them. Bounded: when the window falls behind by more
// than the list would show anyway, the oldest waiting lines are dropped.
#pragma once

#include <cstddef>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

namespace ovix::agent {

class CLogLineQueue {
public:
    explicit CLogLineQueue(size_t capacity = 4096) : capacity_(capacity) {}

    // True when the queue was empty before: the caller then schedules one drain.
    bool Push(std::string line);

    // Everything waiting, oldest first.
    std::vector<std::string> TakeAll();

    size_t Dropped() const;

private:
    const size_t capacity_;
    mutable std::mutex mutex_;
    std::deque<std::string> lines_;  // guarded by mutex_
    size_t dropped_ = 0;             // guarded by mutex_
};

}  // namespace ovix::agent
