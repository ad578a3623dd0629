#include "tools/tunnelserver/SocketAddress.h"

#include <arpa/inet.h>
#include <netdb.h>

#include <cstdlib>
#include <cstring>

namespace ovix::tools {

namespace {

bool ParsePort(const std::string& text, uint16_t& port) {
    if (text.empty() || text.size() > 5) {
        return false;
    }
    unsigned long value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
        value = value * 10 + static_cast<unsigned long>(c - '0');
    }
    if (value > 65535) {
        return false;
    }
    port = static_cast<uint16_t>(value);
    return true;
}

bool ResolveHost(const std::string& host, in_addr& result) {
    if (inet_pton(AF_INET, host.c_str(), &result) == 1) {
        return true;
    }
    addrinfo hints{};
    hints.ai_family = AF_INET;
    addrinfo* found = nullptr;
    if (getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || found == nullptr) {
        return false;
    }
    result = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr;
    freeaddrinfo(found);
    return true;
}

}  // namespace

bool ParseHostPort(const std::string& text, uint16_t defaultPort, sockaddr_in& address) {
    const auto colon = text.rfind(':');
    const std::string host = colon == std::string::npos ? text : text.substr(0, colon);
    uint16_t port = defaultPort;
    if (colon != std::string::npos && !ParsePort(text.substr(colon + 1), port)) {
        return false;
    }
    if (host.empty()) {
        return false;
    }
    sockaddr_in parsed{};
    parsed.sin_family = AF_INET;
    parsed.sin_port = htons(port);
    if (!ResolveHost(host, parsed.sin_addr)) {
        return false;
    }
    address = parsed;
    return true;
}

std::string FormatHost(const sockaddr_in& address) {
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &address.sin_addr, text, sizeof(text));
    return text;
}

std::string FormatHostPort(const sockaddr_in& address) {
    return FormatHost(address) + ":" + std::to_string(ntohs(address.sin_port));
}

bool SameAddress(const sockaddr_in& a, const sockaddr_in& b) {
    return a.sin_port == b.sin_port && a.sin_addr.s_addr == b.sin_addr.s_addr;
}

}  // namespace ovix::tools
