#include "tools/tunnelserver/FrameCounts.h"

namespace ovix::tools {

std::string FrameCounts::ToText() const {
    return "tunnelserver counts sip_from_agent=" + std::to_string(sipFromAgent) +
           " rtp_from_agent=" + std::to_string(rtpFromAgent) +
           " control_from_agent=" + std::to_string(controlFromAgent) +
           " other_from_agent=" + std::to_string(otherFromAgent) +
           " sip_to_agent=" + std::to_string(sipToAgent) +
           " rtp_to_agent=" + std::to_string(rtpToAgent) +
           " control_to_agent=" + std::to_string(controlToAgent) +
           " dropped=" + std::to_string(dropped);
}

}  // namespace ovix::tools
