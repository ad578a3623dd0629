#include "platform/automation/DispatchFrameBuffer.h"

namespace ovix::platform {

size_t CDispatchFrameBuffer::FreeSpace() const {
    return bytes_.size() >= kCapacity ? 0 : kCapacity - bytes_.size();
}

void CDispatchFrameBuffer::Append(const uint8_t* data, size_t length) {
    bytes_.insert(bytes_.end(), data, data + length);
}

CDispatchFrameBuffer::TakeResult CDispatchFrameBuffer::Take(DispatchMessage& message) {
    if (bytes_.size() < kFrameHeaderBytes) {
        return TakeResult::kNeedMore;
    }
    uint32_t size = 0;
    for (size_t i = 0; i < kFrameHeaderBytes; ++i) {
        size |= static_cast<uint32_t>(bytes_[i]) << (8 * i);
    }
    if (size == 0 || size > kMaxDispatchPayload) {
        return TakeResult::kMalformed;
    }
    if (bytes_.size() < kFrameHeaderBytes + size) {
        return TakeResult::kNeedMore;
    }
    auto decoded = DecodeDispatchMessage(bytes_.data() + kFrameHeaderBytes, size);
    bytes_.erase(bytes_.begin(), bytes_.begin() + kFrameHeaderBytes + size);
    if (!decoded) {
        return TakeResult::kMalformed;
    }
    message = std::move(*decoded);
    return TakeResult::kMessage;
}

}  // namespace ovix::platform
