// A thread that is made first and runs later, so that whoever starts it holds it before its
// body runs. A thread never resumed is released without running its body.
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace ovix::updater {

class CSuspendedThread {
public:
    CSuspendedThread() = default;
    ~CSuspendedThread();
    CSuspendedThread(const CSuspendedThread&) = delete;
    CSuspendedThread& operator=(const CSuspendedThread&) = delete;

    // False when a thread is already held or none can be made.
    bool Create(std::function<void()> body);
    void Resume();
    // Waits for the body to end (or for a thread never resumed to be released).
    void Join();
    // Releases a thread never resumed without running its body, then joins.
    void Stop();

private:
    void Release(bool run);

    std::thread m_thread;
    std::mutex m_lock;
    std::condition_variable m_wake;
    bool m_released = false;  // guarded by m_lock
    bool m_run = false;       // guarded by m_lock
};

}  // namespace ovix::updater
