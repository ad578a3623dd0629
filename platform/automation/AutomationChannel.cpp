#include "platform/automation/AutomationChannel.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

namespace ovix::platform {

namespace {

using Clock = std::chrono::steady_clock;

int RemainingMs(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

}  // namespace

CAutomationChannel::CAutomationChannel(int fd) : fd_(fd) {
    if (fd_ >= 0) {
        const int flags = fcntl(fd_, F_GETFL);
        if (flags >= 0) {
            fcntl(fd_, F_SETFL, flags | O_NONBLOCK);
        }
    }
}

CAutomationChannel::~CAutomationChannel() {
    Close();
}

void CAutomationChannel::Close() {
    if (fd_ >= 0) {
        close(fd_);
        fd_ = -1;
    }
}

HResult CAutomationChannel::Send(const DispatchMessage& message, int timeoutMs) {
    if (fd_ < 0) {
        return kRPC_E_DISCONNECTED;
    }
    const std::vector<uint8_t> frame = FrameDispatchMessage(message);
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    size_t sent = 0;
    while (sent < frame.size()) {
        const ssize_t n = send(fd_, frame.data() + sent, frame.size() - sent, MSG_NOSIGNAL);
        if (n > 0) {
            sent += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            pollfd pfd{fd_, POLLOUT, 0};
            const int left = RemainingMs(deadline);
            if (left == 0 || poll(&pfd, 1, left) == 0) {
                return kRPC_E_TIMEOUT;
            }
            continue;
        }
        return kRPC_E_DISCONNECTED;
    }
    return kS_OK;
}

bool CAutomationChannel::ReadAvailable() {
    uint8_t chunk[4096];
    for (;;) {
        const size_t room = buffer_.FreeSpace();
        if (room == 0) {
            return true;  // a whole frame is buffered; Take decides about it
        }
        const ssize_t n = recv(fd_, chunk, room < sizeof chunk ? room : sizeof chunk, 0);
        if (n > 0) {
            buffer_.Append(chunk, static_cast<size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            return true;
        }
        return false;  // 0: end of stream; other errors: broken
    }
}

CAutomationChannel::PollResult CAutomationChannel::TryReceive(DispatchMessage& message) {
    if (fd_ < 0) {
        return PollResult::kClosed;
    }
    // Messages already buffered go first, so a peer that wrote and closed is still heard.
    auto taken = buffer_.Take(message);
    if (taken == CDispatchFrameBuffer::TakeResult::kNeedMore) {
        const bool open = ReadAvailable();
        taken = buffer_.Take(message);
        if (taken == CDispatchFrameBuffer::TakeResult::kNeedMore && !open) {
            return PollResult::kClosed;
        }
    }
    switch (taken) {
        case CDispatchFrameBuffer::TakeResult::kMessage:
            return PollResult::kMessage;
        case CDispatchFrameBuffer::TakeResult::kMalformed:
            return PollResult::kMalformed;
        default:
            return PollResult::kNothing;
    }
}

HResult CAutomationChannel::Receive(DispatchMessage& message, int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        switch (TryReceive(message)) {
            case PollResult::kMessage:
                return kS_OK;
            case PollResult::kClosed:
                return kRPC_E_DISCONNECTED;
            case PollResult::kMalformed:
                return kRPC_E_INVALID_DATAPACKET;
            case PollResult::kNothing:
                break;
        }
        pollfd pfd{fd_, POLLIN, 0};
        const int left = RemainingMs(deadline);
        if (left == 0) {
            return kRPC_E_TIMEOUT;
        }
        const int ready = poll(&pfd, 1, left);
        if (ready == 0) {
            return kRPC_E_TIMEOUT;
        }
        if (ready < 0 && errno != EINTR) {
            return kRPC_E_DISCONNECTED;
        }
    }
}

}  // namespace ovix::platform
