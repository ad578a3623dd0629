// What the tunnel connection hands its received packets and its log line to.
#pragma once

#include <string_view>

#include "agent/core/TunnelPacket.h"

namespace ovix::agent {

class ITunnelOwner {
public:
    virtual ~ITunnelOwner() = default;
    // One cut frame, on the dispatch worker; the packet is freed after the call.
    virtual void OnPacket(const TunnelPacket& packet) = 0;
    // A progress line for the log (the broken-connection line), on the poll thread.
    virtual void Log(std::string_view line) = 0;
};

}  // namespace ovix::agent
