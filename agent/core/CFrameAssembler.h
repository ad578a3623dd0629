// Cuts the byte stream read from the tunnel connection into TunnelPackets.
//
// Feed runs on the tunnel's poll thread only, so the bytes of an unfinished frame need
// no lock. The ready list is shared with the dispatch worker, which reads the front
// packet, handles it and only then removes it; nothing else removes the front while
// the worker runs.
//
// Whole frames inside a chunk are cut in place. Only when a frame spans chunks are its
// bytes kept and joined, so the kept bytes never exceed one frame (at most 65537 bytes).
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

#include "agent/core/CLock.h"
#include "agent/core/TunnelPacket.h"

namespace ovix::agent {

class CFrameAssembler {
public:
    // The ready list is bounded: packets cut while it is full are dropped (counted).
    static constexpr std::size_t kMaxReadyPackets = 4096;

    CFrameAssembler() = default;
    CFrameAssembler(const CFrameAssembler&) = delete;
    CFrameAssembler& operator=(const CFrameAssembler&) = delete;

    // Appends every frame completed by this chunk to the ready list, in stream order.
    // A null chunk or a length of 0 is ignored. Poll thread only.
    void Feed(const std::uint8_t* bytes, std::size_t length);

    std::size_t ReadyCount();
    // The front packet, or null when the list is empty. It stays valid until PopFront.
    TunnelPacket* Front();
    // Removes and frees the front packet (nothing when empty).
    void PopFront();
    // Waits up to timeout until a packet is ready or stop is set. True when one is ready.
    bool WaitForReady(std::chrono::milliseconds timeout, const std::atomic<bool>& stop);
    // Waits without a time-out until a packet is ready or stop is set. True when one is
    // ready. Whoever sets stop must call WakeWaiters afterwards.
    bool WaitForReady(const std::atomic<bool>& stop);
    // Wakes WaitForReady callers, so one that is stopping sees its flag at once.
    void WakeWaiters();

    // Frees the bytes of an unfinished frame. Poll thread, or when no poll thread runs.
    void ClearPending();
    // Frees every ready packet. Only when the dispatch worker has ended.
    void ClearReady();

    // Bytes kept of an unfinished frame (poll thread only).
    std::size_t PendingSize() const { return pending_.size(); }
    // Packets dropped because the ready list was full.
    std::size_t DroppedCount() const { return dropped_.load(); }

private:
    class Run;
    void Cut(const Run& run);
    void AppendReady(TunnelPacket packet);

    // Bytes of a frame that is not complete yet; poll thread only.
    std::vector<std::uint8_t> pending_;
    CLock readyLock_;
    std::condition_variable_any readyChanged_;  // signalled under readyLock_
    std::deque<TunnelPacket> ready_;            // guarded by readyLock_
    std::atomic<std::size_t> dropped_{0};
};

}  // namespace ovix::agent
