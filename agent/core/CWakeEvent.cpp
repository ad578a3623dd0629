#include "agent/core/CWakeEvent.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>

namespace ovix::agent {

CWakeEvent::CWakeEvent() : fd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

CWakeEvent::~CWakeEvent() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

void CWakeEvent::Signal() {
    if (fd_ < 0) {
        return;
    }
    const std::uint64_t one = 1;
    // Fails only when the counter is about to overflow: it is readable then anyway.
    [[maybe_unused]] const ssize_t written = ::write(fd_, &one, sizeof one);
}

void CWakeEvent::Clear() {
    if (fd_ < 0) {
        return;
    }
    std::uint64_t count = 0;
    // Reading resets the counter; EAGAIN means it was quiet already.
    [[maybe_unused]] const ssize_t read = ::read(fd_, &count, sizeof count);
}

}  // namespace ovix::agent
