#include "agent/core/CPeerAddress.h"

namespace ovix::agent {

namespace {
constexpr std::uint64_t kStoredBit = std::uint64_t{1} << 48;
}

void CPeerAddress::Store(const sockaddr_in& address) {
    packed_.store(kStoredBit | (std::uint64_t{address.sin_addr.s_addr} << 16) | address.sin_port);
}

bool CPeerAddress::Load(sockaddr_in* address) const {
    const std::uint64_t packed = packed_.load();
    if ((packed & kStoredBit) == 0) {
        return false;
    }
    *address = sockaddr_in{};
    address->sin_family = AF_INET;
    address->sin_addr.s_addr = static_cast<std::uint32_t>(packed >> 16);
    address->sin_port = static_cast<std::uint16_t>(packed & 0xFFFF);
    return true;
}

}  // namespace ovix::agent
