#include "agent/core/CTunnelSock.h"

#include <sys/socket.h>

#include <mutex>
#include <system_error>

#include "agent/core/AgentLogText.h"
#include "agent/core/BoundedJoin.h"
#include "platform/net/SocketCalls.h"
#include "platform/net/WinsockError.h"

namespace ovix::agent {

CTunnelSock::CTunnelSock(ITunnelOwner* owner) : owner_(owner) {
    SetBufferSize(kBufferSize);
}

// Every worker ends before the queue, the assembler and the owner link are gone.
CTunnelSock::~CTunnelSock() {
    StopDispatch();
    CTunnelSock::Close();
}

int CTunnelSock::Open() {
    CLockGuard guard(stateLock_);
    closing_.store(false);
    return CTCPClientSock::Open();
}

int CTunnelSock::Connect(std::string_view host, std::uint16_t port) {
    CLockGuard guard(stateLock_);
    const int connected = ConnectUnarmed(host, port);
    if (connected != 0) {
        return connected;
    }
    const int started = StartSendThread();
    if (started != 0) {
        CTCPClientSock::Close();
        return started;
    }
    connected_.store(true);
    // Armed last: a server that hangs up at once is then handled by the poll thread
    // after the connection is complete, and its teardown is the last word.
    ArmPoll(true);
    return 0;
}

int CTunnelSock::Close() {
    CLockGuard guard(stateLock_);
    closing_.store(true);
    // Wake both threads that use the socket and end them before the descriptor is
    // given back, so neither can touch a number the system has reused.
    ArmPoll(false);
    ShutdownSocket();
    StopPoll();
    StopSendThread();
    const int closed = CBaseSock::Close();
    ClearQueue();
    // Bytes of a frame cut off by the close must not be joined with the next
    // connection's first bytes.
    assembler_.ClearPending();
    connected_.store(false);
    return closed;
}

int CTunnelSock::Enqueue(const std::uint8_t* bytes, std::size_t length) {
    if (length > kBufferSize) {
        return -1;
    }
    if (bytes == nullptr || length == 0) {
        return -2;
    }
    {
        CLockGuard guard(queueLock_);
        // Checked under the queue lock: a frame is either refused, or queued before the
        // stopping SendThread's queue is emptied.
        if (!sendRunning_.load()) {
            return -1;
        }
        if (sendQueue_.size() >= kMaxQueuedFrames) {
            return -4;
        }
        sendQueue_.emplace_back(bytes, length);
    }
    queueChanged_.notify_one();
    return 0;
}

std::size_t CTunnelSock::QueuedCount() {
    CLockGuard guard(queueLock_);
    return sendQueue_.size();
}

int CTunnelSock::OnReceive(long length, const std::uint8_t* bytes) {
    if (length > 0) {
        assembler_.Feed(bytes, static_cast<std::size_t>(length));
        return 0;
    }
    // The connection is broken (peer closed or a read failed). This runs on the poll
    // thread, which ends right after; the DispatchThread keeps running.
    PollWillEnd();
    if (closing_.load()) {
        return -1;  // a deliberate Close shut the socket and does the rest itself
    }
    SetRemotePort(0);
    ArmPoll(false);
    ShutdownSocket();
    StopSendThread();
    CBaseSock::Close();
    ClearQueue();
    assembler_.ClearPending();
    if (owner_ != nullptr) {
        owner_->Log(logtext::kTunnelBroken);
    }
    connected_.store(false);
    return -1;
}

int CTunnelSock::StartSendThread() {
    CLockGuard threadGuard(sendThreadLock_);
    if (sendThread_.joinable()) {
        // A SendThread that ended after a write error: collect it before the next one.
        sendThread_.join();
    }
    {
        CLockGuard guard(queueLock_);
        sendStop_.store(false);
        sendRunning_.store(true);  // set before the start, so Enqueue accepts at once
    }
    try {
        sendThread_ = std::thread(&CTunnelSock::SendThread, this);
    } catch (const std::system_error&) {
        sendRunning_.store(false);
        return -1;
    }
    return 0;
}

void CTunnelSock::StopSendThread() {
    CLockGuard threadGuard(sendThreadLock_);
    {
        CLockGuard guard(queueLock_);
        sendStop_.store(true);
    }
    queueChanged_.notify_all();
    BoundedJoin(sendThread_, sendRunning_, "CTunnelSock::SendThread");
}

void CTunnelSock::ClearQueue() {
    std::deque<CDataBuffer> dropped;  // freed outside the lock
    CLockGuard guard(queueLock_);
    dropped.swap(sendQueue_);
}

bool CTunnelSock::PauseUnlessSendStop(int ms) {
    std::unique_lock<CLock> guard(queueLock_);
    return queueChanged_.wait_for(guard, std::chrono::milliseconds(ms),
                                  [this] { return sendStop_.load(); });
}

void CTunnelSock::SendThread() {
    for (;;) {
        const CDataBuffer* front = nullptr;
        {
            std::unique_lock<CLock> guard(queueLock_);
            // Idle: sleep until a frame is queued or the stop is set; Enqueue and
            // StopSendThread change both under queueLock_ and notify.
            queueChanged_.wait(guard, [this] { return sendStop_.load() || !sendQueue_.empty(); });
            if (sendStop_.load()) {
                break;
            }
            // The front stays in the queue while it is written; only this thread removes.
            front = &sendQueue_.front();
        }
        if (!WriteFrame(*front)) {
            // The frame stays at the front; Enqueue refuses until the next connection.
            sendRunning_.store(false);
            return;
        }
        {
            CLockGuard guard(queueLock_);
            sendQueue_.pop_front();
        }
        if (PauseUnlessSendStop(kFramePauseMs)) {
            break;
        }
    }
    sendRunning_.store(false);
}

bool CTunnelSock::WriteFrame(const CDataBuffer& frame) {
    std::size_t offset = 0;
    while (offset < frame.Length()) {
        // Never blocks: a full socket buffer is waited out in 2 ms pauses, so a stop is
        // never stuck behind a server that does not read.
        const long sent =
            Send(frame.Data() + offset, static_cast<long>(frame.Length() - offset), MSG_DONTWAIT);
        if (sent > 0) {
            offset += static_cast<std::size_t>(sent);
            if (offset < frame.Length() && PauseUnlessSendStop(kFramePauseMs)) {
                return false;
            }
            continue;
        }
        const int error = platform::LastSocketError();
        if (sent < 0 && (error == platform::kWsaENOBUFS || error == platform::kWsaEWOULDBLOCK) &&
            !sendStop_.load()) {
            PauseUnlessSendStop(kFramePauseMs);
            continue;
        }
        return false;
    }
    return true;
}

int CTunnelSock::StartDispatch() {
    if (dispatchRunning_.load()) {
        return 0;
    }
    if (dispatchThread_.joinable()) {
        dispatchThread_.join();
    }
    // Packets cut after the last stop (the connection still read until it was closed)
    // belong to the earlier relay; no worker runs, so they can go.
    assembler_.ClearReady();
    dispatchStop_.Reset();
    dispatchRunning_.store(true);
    try {
        dispatchThread_ = std::thread(&CTunnelSock::DispatchThread, this);
    } catch (const std::system_error&) {
        dispatchRunning_.store(false);
        return -1;
    }
    return 0;
}

void CTunnelSock::StopDispatch() {
    if (!dispatchThread_.joinable()) {
        return;
    }
    dispatchStop_.Set();
    assembler_.WakeWaiters();
    BoundedJoin(dispatchThread_, dispatchRunning_, "CTunnelSock::DispatchThread");
    // The worker has ended, so nothing holds the front packet any more.
    assembler_.ClearReady();
}

void CTunnelSock::DispatchThread() {
    while (!dispatchStop_.IsSet()) {
        // Idle: sleep until a packet is cut or StopDispatch sets the flag and wakes us.
        if (!assembler_.WaitForReady(dispatchStop_.Flag())) {
            continue;
        }
        if (const TunnelPacket* packet = assembler_.Front()) {
            if (owner_ != nullptr) {
                owner_->OnPacket(*packet);
            }
            assembler_.PopFront();
        }
        dispatchStop_.WaitFor(kDispatchPauseMs);
    }
    dispatchRunning_.store(false);
}

}  // namespace ovix::agent
