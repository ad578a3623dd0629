// Identity of the agent's automation object and the dispatch ids of its six methods,
// shared by the server (the agent) and its clients.
#pragma once

#include <cstdint>

namespace ovix::agent {

inline constexpr const char* kAgentClassId = "{51870C2B-1D11-494E-861B-F3A96BB2F8BA}";
inline constexpr const char* kAgentDispatchInterfaceId = "{D6DAF1C5-F014-4426-AB83-37D4B8C5B1EA}";

enum AgentDispId : int32_t {
    kDispStartAgent = 1,    // (string address byref) -> int32
    kDispStopAgent = 2,     // () -> int32
    kDispGetSIPAddr = 3,    // (string out) -> int32
    kDispShow = 4,          // (int32 show) -> nothing
    kDispDisconnectTC = 5,  // () -> int32
    kDispGetSIPPort = 6,    // (int16 out) -> int16
};

}  // namespace ovix::agent
