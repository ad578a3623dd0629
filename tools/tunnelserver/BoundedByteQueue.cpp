#include "tools/tunnelserver/BoundedByteQueue.h"

#include <algorithm>

namespace ovix::tools {

bool CBoundedByteQueue::Append(const uint8_t* bytes, size_t length) {
    if (length > capacity_ - Size()) {
        return false;
    }
    if (head_ > 0 && head_ >= bytes_.size() / 2) {
        bytes_.erase(bytes_.begin(), bytes_.begin() + static_cast<std::ptrdiff_t>(head_));
        head_ = 0;
    }
    bytes_.insert(bytes_.end(), bytes, bytes + length);
    return true;
}

void CBoundedByteQueue::Consume(size_t length) {
    head_ += std::min(length, Size());
    if (head_ == bytes_.size()) {
        bytes_.clear();
        head_ = 0;
    }
}

}  // namespace ovix::tools
