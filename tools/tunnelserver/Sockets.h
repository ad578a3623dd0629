// Small socket openers shared by the stand-in tunnel server and the relay benchmark. Every
// socket is non-blocking and close-on-exec; failures give an invalid descriptor.
#pragma once

#include <netinet/in.h>

#include "tools/tunnelserver/UniqueFd.h"

namespace ovix::tools {

// UDP socket bound to address (port 0 picks a free port).
CUniqueFd OpenUdpSocket(const sockaddr_in& address);

// Listening TCP socket with SO_REUSEADDR, so a restarted server gets its port back at once.
CUniqueFd OpenTcpListener(const sockaddr_in& address, int backlog);

// Turns off Nagle's algorithm: every frame is a small, latency-bound message.
bool SetNoDelay(int fd);

bool SetNonBlocking(int fd);

// The address a socket is bound to; zero address on failure.
sockaddr_in LocalAddressOf(int fd);

}  // namespace ovix::tools
