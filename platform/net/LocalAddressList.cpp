#include "platform/net/LocalAddressList.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>

namespace ovix::platform {

namespace {

std::vector<std::string> ResolveHostAddresses() {
    std::vector<std::string> list;
    char host[256] = {};
    if (::gethostname(host, sizeof host - 1) != 0) {
        return list;
    }
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;  // one entry per address, not one per socket type
    addrinfo* found = nullptr;
    if (::getaddrinfo(host, nullptr, &hints, &found) != 0) {
        return list;
    }
    for (addrinfo* entry = found; entry != nullptr; entry = entry->ai_next) {
        char text[INET_ADDRSTRLEN] = {};
        const auto* address = reinterpret_cast<const sockaddr_in*>(entry->ai_addr);
        if (::inet_ntop(AF_INET, &address->sin_addr, text, sizeof text) != nullptr) {
            list.emplace_back(text);
        }
    }
    ::freeaddrinfo(found);
    return list;
}

std::vector<std::string> ReadLocalAddresses() {
    if (const char* pinned = std::getenv(kLocalAddressesVariable)) {
        return ParseAddressList(pinned);
    }
    return ResolveHostAddresses();
}

}  // namespace

std::vector<std::string> ParseAddressList(std::string_view text) {
    std::vector<std::string> list;
    while (!text.empty()) {
        const std::size_t comma = text.find(',');
        std::string_view entry = text.substr(0, comma);
        text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
        const std::size_t first = entry.find_first_not_of(" \t");
        if (first == std::string_view::npos) {
            continue;
        }
        entry = entry.substr(first, entry.find_last_not_of(" \t") - first + 1);
        list.emplace_back(entry);
    }
    return list;
}

std::string PickAddress(const std::vector<std::string>& list, int index) {
    if (index == -1) {
        return list.empty() ? std::string() : list.back();
    }
    if (index < 0 || static_cast<std::size_t>(index) >= list.size()) {
        return std::string();
    }
    return list[static_cast<std::size_t>(index)];
}

const std::vector<std::string>& LocalAddressList() {
    static const std::vector<std::string> list = ReadLocalAddresses();
    return list;
}

std::string LocalAddress(int index) {
    return PickAddress(LocalAddressList(), index);
}

bool IsLocalHostAddress(std::uint32_t addressNetworkOrder) {
    if ((ntohl(addressNetworkOrder) >> 24) == 127) {
        return true;
    }
    for (const std::string& entry : LocalAddressList()) {
        in_addr parsed{};
        if (::inet_pton(AF_INET, entry.c_str(), &parsed) == 1 &&
            parsed.s_addr == addressNetworkOrder) {
            return true;
        }
    }
    return false;
}

}  // namespace ovix::platform
