// The one TCP connection to the tunnel server.
//
// Frames go out through a bounded send queue written by the SendThread; the bytes that
// come in are read by the poll thread, cut by the CFrameAssembler and handed one packet
// at a time to the owner by the DispatchThread. The DispatchThread runs from relay start
// to relay stop, independent of the connection.
//
// Open, Connect and Close are serialised among the calling threads (the SIP listener's
// worker and the window's thread). The poll thread handles a broken connection itself.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <string_view>
#include <thread>

#include "agent/core/CDataBuffer.h"
#include "agent/core/CFrameAssembler.h"
#include "agent/core/CLock.h"
#include "agent/core/CStopSignal.h"
#include "agent/core/CTCPClientSock.h"
#include "agent/core/ITunnelOwner.h"

namespace ovix::agent {

class CTunnelSock final : public CTCPClientSock {
public:
    // Bounds one read and one queued frame.
    static constexpr std::uint16_t kBufferSize = 8192;
    // Frames waiting to be written; more are refused (about 8 MB at most).
    static constexpr std::size_t kMaxQueuedFrames = 1024;
    static constexpr int kFramePauseMs = 2;      // after each write call of a frame
    static constexpr int kDispatchPauseMs = 10;  // after each packet handed on

    // owner receives packets and the broken-connection log line; it is not owned.
    explicit CTunnelSock(ITunnelOwner* owner);
    ~CTunnelSock() override;

    int Open() override;
    // Connects and starts the SendThread; 0 when connected, else the Connect error
    // (the caller closes the connection).
    int Connect(std::string_view host, std::uint16_t port) override;
    // Closes the socket, stops the poll thread and the SendThread, drops queued frames
    // and the bytes of an unfinished received frame. Logs nothing.
    int Close() override;

    // Queues a copy of one frame: -1 when longer than 8192 bytes or not connected (no
    // SendThread), -2 for no bytes, -4 when the queue is full; 0 when queued.
    int Enqueue(const std::uint8_t* bytes, std::size_t length);
    bool IsConnected() const { return connected_.load(); }
    std::size_t QueuedCount();

    // 0 when started or already running, -1 when the thread cannot be started. A start
    // drops packets left from before it, so they never reach the next relay's peers.
    int StartDispatch();
    // Stops the DispatchThread (bounded) and drops packets cut but not handled.
    void StopDispatch();
    bool DispatchRunning() const { return dispatchRunning_.load(); }
    bool SendRunning() const { return sendRunning_.load(); }

protected:
    int OnReceive(long length, const std::uint8_t* bytes) override;

private:
    int StartSendThread();
    void StopSendThread();
    void ClearQueue();
    void SendThread();
    // Writes one frame completely; false on a write error that ends the SendThread.
    bool WriteFrame(const CDataBuffer& frame);
    // Pauses up to ms; true when the SendThread is told to stop.
    bool PauseUnlessSendStop(int ms);
    void DispatchThread();

    ITunnelOwner* const owner_;
    CFrameAssembler assembler_;
    CLock stateLock_;  // held by Open, Connect and Close
    std::atomic<bool> connected_{false};
    std::atomic<bool> closing_{false};  // a deliberate Close: a hang-up is not logged

    CLock queueLock_;
    std::deque<CDataBuffer> sendQueue_;         // guarded by queueLock_
    std::condition_variable_any queueChanged_;  // with queueLock_: frame queued or send stop
    std::atomic<bool> sendRunning_{false};
    std::atomic<bool> sendStop_{false};  // written under queueLock_
    CLock sendThreadLock_;
    std::thread sendThread_;  // guarded by sendThreadLock_

    CStopSignal dispatchStop_;
    std::atomic<bool> dispatchRunning_{false};
    std::thread dispatchThread_;  // relay start/stop caller only
};

}  // namespace ovix::agent
