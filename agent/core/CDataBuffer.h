// One frame waiting in the tunnel's send queue: an owned copy of its bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace ovix::agent {

class CDataBuffer {
public:
    // Copies length bytes (plus one zero byte after them).
    CDataBuffer(const std::uint8_t* bytes, std::size_t length);

    const std::uint8_t* Data() const { return bytes_.get(); }
    std::size_t Length() const { return length_; }

private:
    std::unique_ptr<std::uint8_t[]> bytes_;
    std::size_t length_;
};

}  // namespace ovix::agent
