// IPv4 socket addresses as the loopback tools write them on their command lines and in
// their output: "HOST:PORT", with HOST a dotted address or a name.
#pragma once

#include <netinet/in.h>

#include <cstdint>
#include <string>

namespace ovix::tools {

// Reads "HOST[:PORT]"; a missing port gives defaultPort. Names are resolved (first IPv4
// address). False on an empty host, a port outside 0..65535 or a name that does not resolve.
bool ParseHostPort(const std::string& text, uint16_t defaultPort, sockaddr_in& address);

// "a.b.c.d:port".
std::string FormatHostPort(const sockaddr_in& address);

// Dotted text of the address alone.
std::string FormatHost(const sockaddr_in& address);

bool SameAddress(const sockaddr_in& a, const sockaddr_in& b);

}  // namespace ovix::tools
