#include "platform/ipc/MessageWindow.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <utility>

#include "platform/ipc/RuntimeGuard.h"
#include "platform/ipc/WindowSocket.h"

namespace ovix::platform {

CMessageWindow::CMessageWindow(int fd, std::string path, std::string guardPath,
                               unsigned long long inode)
    : fd_(fd), path_(std::move(path)), guardPath_(std::move(guardPath)), inode_(inode) {}

CMessageWindow::~CMessageWindow() {
    Destroy();
}

CMessageWindow::CMessageWindow(CMessageWindow&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)),
      path_(std::move(other.path_)),
      guardPath_(std::move(other.guardPath_)),
      inode_(std::exchange(other.inode_, 0)) {}

CMessageWindow& CMessageWindow::operator=(CMessageWindow&& other) noexcept {
    if (this != &other) {
        Destroy();
        fd_ = std::exchange(other.fd_, -1);
        path_ = std::move(other.path_);
        guardPath_ = std::move(other.guardPath_);
        inode_ = std::exchange(other.inode_, 0);
    }
    return *this;
}

CMessageWindow CMessageWindow::Create(std::string_view windowClass) {
    std::string path = WindowSocketPath(windowClass);
    if (path.empty()) {
        return {};
    }
    const CSocketAddress address(path);
    if (!address.IsValid()) {
        return {};
    }
    // The guard makes "no live owner, so replace the stale socket and bind" one step against
    // another process creating the same window.
    std::string guardPath = WindowGuardPath();
    CRuntimeGuard guard(guardPath);
    if (!guard.IsHeld()) {
        return {};
    }
    switch (ProbeWindowSocket(path)) {
        case WindowSocketState::kLive:
            return {};
        case WindowSocketState::kStale:
            ::unlink(path.c_str());
            break;
        case WindowSocketState::kAbsent:
            break;
    }
    const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        return {};
    }
    struct stat info {};
    if (::bind(fd, address.Get(), address.Size()) != 0 || ::lstat(path.c_str(), &info) != 0) {
        ::close(fd);
        return {};
    }
    return CMessageWindow(fd, std::move(path), std::move(guardPath),
                          static_cast<unsigned long long>(info.st_ino));
}

std::optional<WindowMessage> CMessageWindow::Receive(int timeoutMs) {
    if (fd_ < 0) {
        return std::nullopt;
    }
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
    for (;;) {
        char buffer[kMaxWindowMessageText + 1];
        const ssize_t n = ::recv(fd_, buffer, sizeof(buffer), MSG_DONTWAIT);
        if (n >= 0) {
            // A datagram longer than a message arrives cut to the buffer and is refused by
            // the length check in the parser.
            if (auto message =
                    ParseWindowMessage(std::string_view(buffer, static_cast<size_t>(n)))) {
                return message;
            }
            continue;  // malformed: dropped
        }
        if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
            return std::nullopt;
        }
        int wait = -1;
        if (timeoutMs >= 0) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            if (left.count() <= 0) {
                return std::nullopt;
            }
            wait = static_cast<int>(left.count());
        }
        pollfd entry{fd_, POLLIN, 0};
        const int ready = ::poll(&entry, 1, wait);
        if (ready <= 0) {
            return std::nullopt;  // time-out, or a signal the caller wants to see
        }
    }
}

void CMessageWindow::Destroy() {
    if (fd_ < 0) {
        return;
    }
    {
        CRuntimeGuard guard(guardPath_);
        // Remove the socket file only while it is still the one we bound.
        struct stat info {};
        if (guard.IsHeld() && ::lstat(path_.c_str(), &info) == 0 &&
            static_cast<unsigned long long>(info.st_ino) == inode_) {
            ::unlink(path_.c_str());
        }
        ::close(fd_);
    }
    fd_ = -1;
    inode_ = 0;
}

}  // namespace ovix::platform
