// Bytes waiting to be written to a non-blocking stream socket, up to a fixed capacity. A
// frame that does not fit is refused whole, so the stream never carries half a frame.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace ovix::tools {

class CBoundedByteQueue {
public:
    explicit CBoundedByteQueue(size_t capacity) : capacity_(capacity) {}

    // False, and nothing stored, when the bytes would exceed the capacity.
    bool Append(const uint8_t* bytes, size_t length);
    const uint8_t* Data() const { return bytes_.data() + head_; }
    size_t Size() const { return bytes_.size() - head_; }
    bool Empty() const { return Size() == 0; }
    void Consume(size_t length);

private:
    size_t capacity_;
    std::vector<uint8_t> bytes_;
    size_t head_ = 0;  // bytes before head_ are already written
};

}  // namespace ovix::tools
