// The lock every shared flag and queue of the agent uses. It keeps the small result
// codes of the agent's socket layer (create -1/-3, lock and unlock -2 when not created)
// and also meets the standard Lockable requirements, so std::lock_guard and
// std::condition_variable_any work with it.
#pragma once

#include <mutex>

namespace ovix::agent {

class CLock {
public:
    // A new lock is created and ready to use.
    CLock() = default;
    ~CLock() = default;
    CLock(const CLock&) = delete;
    CLock& operator=(const CLock&) = delete;

    // -1 when already created, 0 otherwise.
    int Create();
    // -2 when not created; otherwise waits without time limit and returns 0.
    int Lock();
    // -2 when not created; otherwise releases and returns 0.
    int Unlock();
    // Marks the lock as gone; later Lock/Unlock return -2 until Create.
    void Destroy();
    bool IsCreated() const { return created_; }

    // Lockable interface for std::lock_guard / std::unique_lock / condition variables.
    void lock() { mutex_.lock(); }
    void unlock() { mutex_.unlock(); }
    bool try_lock() { return mutex_.try_lock(); }

private:
    std::mutex mutex_;
    // Written only by the owning object's construction, Create and Destroy, before or
    // after the threads that use the lock run.
    bool created_ = true;
};

using CLockGuard = std::lock_guard<CLock>;

}  // namespace ovix::agent
