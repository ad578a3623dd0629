// One end of the private channel between an automation client and its server process: a
// connected stream socket, owned here and closed on destruction. Sends and receives whole
// dispatch messages with time-outs; never raises SIGPIPE.
#pragma once

#include "platform/automation/AutomationResult.h"
#include "platform/automation/DispatchFrameBuffer.h"
#include "platform/automation/DispatchMessage.h"

namespace ovix::platform {

class CAutomationChannel {
public:
    // Takes ownership of fd (-1 for a closed channel) and makes it non-blocking.
    explicit CAutomationChannel(int fd = -1);
    ~CAutomationChannel();
    CAutomationChannel(const CAutomationChannel&) = delete;
    CAutomationChannel& operator=(const CAutomationChannel&) = delete;

    int Fd() const { return fd_; }
    bool IsOpen() const { return fd_ >= 0; }
    void Close();

    // S_OK, RPC_E_TIMEOUT, or RPC_E_DISCONNECTED (peer gone or channel closed).
    HResult Send(const DispatchMessage& message, int timeoutMs);

    // Waits up to timeoutMs for one whole message. S_OK, RPC_E_TIMEOUT, RPC_E_DISCONNECTED
    // (end of stream), or RPC_E_INVALID_DATAPACKET (garbage; the channel is then useless).
    HResult Receive(DispatchMessage& message, int timeoutMs);

    enum class PollResult { kMessage, kNothing, kClosed, kMalformed };

    // Without waiting: reads what has arrived and returns the next whole message if there
    // is one. kClosed on end of stream or a socket error.
    PollResult TryReceive(DispatchMessage& message);

private:
    // Reads what is available; false on end of stream or a socket error.
    bool ReadAvailable();

    int fd_;
    CDispatchFrameBuffer buffer_;
};

}  // namespace ovix::platform
