#include "updater/http/SuspendedThread.h"

#include <system_error>
#include <utility>

namespace ovix::updater {

CSuspendedThread::~CSuspendedThread() {
    Stop();
}

void CSuspendedThread::Stop() {
    Release(false);
    Join();
}

bool CSuspendedThread::Create(std::function<void()> body) {
    if (m_thread.joinable()) {
        return false;
    }
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_released = false;
        m_run = false;
    }
    try {
        m_thread = std::thread([this, body = std::move(body)] {
            bool run = false;
            {
                std::unique_lock<std::mutex> guard(m_lock);
                m_wake.wait(guard, [this] { return m_released; });
                run = m_run;
            }
            if (run) {
                body();
            }
        });
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

void CSuspendedThread::Resume() {
    Release(true);
}

void CSuspendedThread::Release(bool run) {
    std::lock_guard<std::mutex> guard(m_lock);
    if (!m_released) {
        m_released = true;
        m_run = run;
        m_wake.notify_all();
    }
}

void CSuspendedThread::Join() {
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

}  // namespace ovix::updater
