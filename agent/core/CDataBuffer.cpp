#include "agent/core/CDataBuffer.h"

#include <cstring>

namespace ovix::agent {

CDataBuffer::CDataBuffer(const std::uint8_t* bytes, std::size_t length)
    : bytes_(std::make_unique<std::uint8_t[]>(length + 1)), length_(length) {
    std::memcpy(bytes_.get(), bytes, length);
}

}  // namespace ovix::agent
