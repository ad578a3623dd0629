// Collects bytes from the automation channel and cuts whole messages out of them. Holds at
// most one frame's worth of bytes beyond what it has already cut.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/automation/DispatchMessage.h"

namespace ovix::platform {

class CDispatchFrameBuffer {
public:
    enum class TakeResult { kNeedMore, kMessage, kMalformed };

    // Room left before the buffer is full; the channel never reads more than this.
    size_t FreeSpace() const;
    void Append(const uint8_t* data, size_t length);

    // Cuts the next message. kMalformed (a length over the limit, or a payload that does not
    // decode) is final: the stream cannot be resynchronised.
    TakeResult Take(DispatchMessage& message);

private:
    static constexpr size_t kCapacity = kFrameHeaderBytes + kMaxDispatchPayload;
    std::vector<uint8_t> bytes_;
};

}  // namespace ovix::platform
