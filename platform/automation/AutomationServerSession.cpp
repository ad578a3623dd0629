#include "platform/automation/AutomationServerSession.h"

#include <poll.h>

#include <cerrno>

namespace ovix::platform {

namespace {

// A client that does not take its reply within this time is treated as gone.
constexpr int kReplyTimeoutMs = 5000;

}  // namespace

CAutomationServerSession::CAutomationServerSession(int fd, IDispatchTarget& target)
    : channel_(fd), target_(target) {}

bool CAutomationServerSession::SendReady() {
    DispatchMessage ready;
    ready.kind = DispatchMessageKind::kReady;
    return channel_.Send(ready, kReplyTimeoutMs) == kS_OK;
}

CAutomationServerSession::State CAutomationServerSession::End(const char* reason) {
    if (endReason_.empty()) {
        endReason_ = reason;
    }
    channel_.Close();
    return State::kReleased;
}

CAutomationServerSession::State CAutomationServerSession::OnReadable() {
    for (;;) {
        DispatchMessage message;
        switch (channel_.TryReceive(message)) {
            case CAutomationChannel::PollResult::kNothing:
                return State::kOpen;
            case CAutomationChannel::PollResult::kClosed:
                return End("client released the object");
            case CAutomationChannel::PollResult::kMalformed: {
                DispatchMessage error;
                error.kind = DispatchMessageKind::kError;
                error.result = kRPC_E_INVALID_DATAPACKET;
                error.text = "malformed message on the automation channel";
                channel_.Send(error, kReplyTimeoutMs);
                return End("malformed message from the client");
            }
            case CAutomationChannel::PollResult::kMessage:
                break;
        }
        if (message.kind != DispatchMessageKind::kCall) {
            DispatchMessage error;
            error.kind = DispatchMessageKind::kError;
            error.result = kRPC_E_INVALID_DATAPACKET;
            error.text = "unexpected message kind from the client";
            channel_.Send(error, kReplyTimeoutMs);
            return End("unexpected message kind from the client");
        }
        DispatchMessage reply;
        reply.kind = DispatchMessageKind::kReply;
        reply.callId = message.callId;
        reply.args = std::move(message.args);
        reply.result = target_.Invoke(message.dispId, reply.args, reply.value);
        if (channel_.Send(reply, kReplyTimeoutMs) != kS_OK) {
            return End("client did not take the reply");
        }
    }
}

void CAutomationServerSession::ServeUntilReleased() {
    while (channel_.IsOpen()) {
        pollfd pfd{channel_.Fd(), POLLIN, 0};
        if (poll(&pfd, 1, -1) < 0 && errno != EINTR) {
            End("poll failed");
            return;
        }
        if (OnReadable() == State::kReleased) {
            return;
        }
    }
}

}  // namespace ovix::platform
