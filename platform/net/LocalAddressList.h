// The host's own IPv4 addresses, as dotted text, in the order the resolver gives them.
// Read once per process from the host name; OVIX_LOCAL_ADDRESSES (comma-separated
// dotted addresses), when set, replaces the list, so tests and machines whose host name
// resolves to an outside address can pin the listeners to 127.0.0.1.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ovix::platform {

inline constexpr const char* kLocalAddressesVariable = "OVIX_LOCAL_ADDRESSES";

// "a, b,,c" -> {"a", "b", "c"}: trimmed, empty entries skipped.
std::vector<std::string> ParseAddressList(std::string_view text);

// Entry of a list: -1 gives the last entry, 0..size-1 that entry; anything else (and -1
// on an empty list) gives empty text.
std::string PickAddress(const std::vector<std::string>& list, int index);

// The process-wide list, read on first use.
const std::vector<std::string>& LocalAddressList();

// PickAddress on the process-wide list.
std::string LocalAddress(int index);

// True when the address (network byte order) is in the loopback range 127/8 or in the
// process-wide list: a datagram from it was sent by a program on this host.
bool IsLocalHostAddress(std::uint32_t addressNetworkOrder);

}  // namespace ovix::platform
