// Frames the stand-in carried, by direction and kind. Tests read them to prove that a reply
// travelled through the tunnel and did not bypass it.
#pragma once

#include <cstdint>
#include <string>

namespace ovix::tools {

struct FrameCounts {
    uint64_t sipFromAgent = 0;
    uint64_t rtpFromAgent = 0;
    uint64_t controlFromAgent = 0;
    uint64_t otherFromAgent = 0;
    uint64_t sipToAgent = 0;
    uint64_t rtpToAgent = 0;
    uint64_t controlToAgent = 0;
    uint64_t dropped = 0;  // frames or datagrams that had nowhere to go

    // "tunnelserver counts sip_from_agent=N ... dropped=N"
    std::string ToText() const;
};

}  // namespace ovix::tools
