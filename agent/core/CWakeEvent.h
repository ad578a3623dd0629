// A descriptor that one thread signals to end another thread's poll() early: the stop
// of a worker that waits on its socket. An eventfd, owned and closed by this object.
//
// Once signalled it stays readable until Clear, so every waiter sees it, also one that
// starts its wait after the signal.
#pragma once

namespace ovix::agent {

class CWakeEvent {
public:
    CWakeEvent();
    ~CWakeEvent();
    CWakeEvent(const CWakeEvent&) = delete;
    CWakeEvent& operator=(const CWakeEvent&) = delete;

    // Makes the descriptor readable. Safe from any thread.
    void Signal();
    // Makes it quiet again; only while no thread waits on it (before workers start).
    void Clear();
    // For poll(): -1 when the system gave no eventfd (waits then end by their time-out).
    int Fd() const { return fd_; }

private:
    const int fd_;
};

}  // namespace ovix::agent
