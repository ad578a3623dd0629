#include "agent/core/CFrameAssembler.h"

#include <algorithm>
#include <cstring>
#include <mutex>

#include "agent/core/TunnelFrame.h"

namespace ovix::agent {

// The bytes being cut: the kept bytes of an unfinished frame followed by the new chunk,
// read as one run without copying them together.
class CFrameAssembler::Run {
public:
    Run(const std::uint8_t* head, std::size_t headSize, const std::uint8_t* tail,
        std::size_t tailSize)
        : head_(head), headSize_(headSize), tail_(tail), tailSize_(tailSize) {}

    std::size_t Size() const { return headSize_ + tailSize_; }

    std::uint8_t At(std::size_t offset) const {
        return offset < headSize_ ? head_[offset] : tail_[offset - headSize_];
    }

    void CopyOut(std::size_t offset, std::size_t count, std::uint8_t* out) const {
        if (offset < headSize_) {
            const std::size_t fromHead = std::min(count, headSize_ - offset);
            std::memcpy(out, head_ + offset, fromHead);
            out += fromHead;
            count -= fromHead;
            offset = headSize_;
        }
        if (count > 0) {
            std::memcpy(out, tail_ + (offset - headSize_), count);
        }
    }

private:
    const std::uint8_t* head_;
    std::size_t headSize_;
    const std::uint8_t* tail_;
    std::size_t tailSize_;
};

void CFrameAssembler::Feed(const std::uint8_t* bytes, std::size_t length) {
    if (bytes == nullptr || length == 0) {
        return;
    }
    Cut(Run(pending_.data(), pending_.size(), bytes, length));
}

void CFrameAssembler::Cut(const Run& run) {
    const std::size_t total = run.Size();
    std::size_t offset = 0;
    while (offset < total) {
        const std::size_t n = total - offset;
        if (n < kFrameHeaderSize) {
            break;  // keep the start of a header
        }
        const std::size_t length = (std::size_t{run.At(offset)} << 8) | run.At(offset + 1);
        const std::size_t frameSize = length + kFrameLengthFieldSize;
        if (n == kFrameHeaderSize) {
            if (length > kFrameLengthOverhead) {
                break;  // a header whose payload has not arrived yet
            }
            // A run of exactly one header without payload is consumed whole, also when
            // its Length is malformed (0, 1 or 2).
            TunnelPacket packet;
            packet.kind = PacketKindFromFrameType(run.At(offset + 2));
            AppendReady(std::move(packet));
            offset = total;
            break;
        }
        if (n < frameSize) {
            break;  // the frame continues in a later chunk
        }
        TunnelPacket packet;
        packet.kind = PacketKindFromFrameType(run.At(offset + 2));
        if (length > kFrameLengthOverhead) {
            const std::size_t payloadLength = length - kFrameLengthOverhead;
            packet.payloadLength = static_cast<std::int32_t>(payloadLength);
            packet.payload = std::make_unique<std::uint8_t[]>(payloadLength + 1);  // zeroed
            run.CopyOut(offset + kFrameHeaderSize, payloadLength, packet.payload.get());
        }
        AppendReady(std::move(packet));
        // A malformed Length below 3 resumes inside the header it came from.
        offset += frameSize;
    }

    // Keep what is left of an unfinished frame; it may start in the old kept bytes.
    std::vector<std::uint8_t> rest(total - offset);
    if (!rest.empty()) {
        run.CopyOut(offset, rest.size(), rest.data());
    }
    pending_ = std::move(rest);
}

void CFrameAssembler::AppendReady(TunnelPacket packet) {
    {
        CLockGuard guard(readyLock_);
        if (ready_.size() >= kMaxReadyPackets) {
            dropped_.fetch_add(1);
            return;
        }
        ready_.push_back(std::move(packet));
    }
    readyChanged_.notify_one();
}

std::size_t CFrameAssembler::ReadyCount() {
    CLockGuard guard(readyLock_);
    return ready_.size();
}

TunnelPacket* CFrameAssembler::Front() {
    CLockGuard guard(readyLock_);
    // std::deque keeps references to its elements valid across push_back.
    return ready_.empty() ? nullptr : &ready_.front();
}

void CFrameAssembler::PopFront() {
    TunnelPacket removed;  // freed outside the lock
    CLockGuard guard(readyLock_);
    if (!ready_.empty()) {
        removed = std::move(ready_.front());
        ready_.pop_front();
    }
}

bool CFrameAssembler::WaitForReady(std::chrono::milliseconds timeout,
                                   const std::atomic<bool>& stop) {
    std::unique_lock<CLock> guard(readyLock_);
    return readyChanged_.wait_for(guard, timeout, [&] { return !ready_.empty() || stop.load(); }) &&
           !ready_.empty();
}

bool CFrameAssembler::WaitForReady(const std::atomic<bool>& stop) {
    std::unique_lock<CLock> guard(readyLock_);
    readyChanged_.wait(guard, [&] { return !ready_.empty() || stop.load(); });
    return !ready_.empty();
}

void CFrameAssembler::WakeWaiters() {
    { CLockGuard guard(readyLock_); }  // a waiter between its check and its wait sees the flag
    readyChanged_.notify_all();
}

void CFrameAssembler::ClearPending() {
    pending_.clear();
    pending_.shrink_to_fit();
}

void CFrameAssembler::ClearReady() {
    std::deque<TunnelPacket> removed;
    CLockGuard guard(readyLock_);
    removed.swap(ready_);
}

}  // namespace ovix::agent
