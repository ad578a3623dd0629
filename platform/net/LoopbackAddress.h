// The loopback address the local servers, tools and tests bind and connect to.
#pragma once

#include <netinet/in.h>

#include <cstdint>

namespace ovix::platform {

// 127.0.0.1:port (port 0 lets bind pick a free one).
sockaddr_in LoopbackAddress(uint16_t port);

// The port a socket is bound to; 0 when it is not bound or the query fails.
uint16_t BoundPort(int socket);

}  // namespace ovix::platform
