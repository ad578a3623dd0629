// The server end of one automation object: reads calls from the channel, runs them on the
// thread that calls OnReadable (the server's main thread), and writes the replies. The
// owner watches Fd() for input (a socket notifier or poll) and calls OnReadable.
#pragma once

#include <string>

#include "platform/automation/AutomationChannel.h"
#include "platform/automation/DispatchTarget.h"

namespace ovix::platform {

class CAutomationServerSession {
public:
    // Takes ownership of fd. target must outlive the session.
    CAutomationServerSession(int fd, IDispatchTarget& target);

    int Fd() const { return channel_.Fd(); }

    // Tells the client that the object exists. False when the client is already gone.
    bool SendReady();

    enum class State { kOpen, kReleased };

    // Handles every whole call that has arrived. kReleased when the client closed the
    // channel, or sent something unreadable (it gets an error message first and the
    // channel is closed): either way the object counts as released.
    State OnReadable();

    // Why the session ended, for the server's diagnostics; empty while open.
    const std::string& EndReason() const { return endReason_; }

    // Blocks, serving calls, until the client releases the object (for servers without an
    // event loop of their own).
    void ServeUntilReleased();

private:
    State End(const char* reason);

    CAutomationChannel channel_;
    IDispatchTarget& target_;
    std::string endReason_;
};

}  // namespace ovix::platform
