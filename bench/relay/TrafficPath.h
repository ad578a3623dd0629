// One way through which the traffic tool sends its probes and gets them back: a softphone
// socket that sends to the path's entry (the agent's RTP listener, socat's UDP end, or the
// far socket itself for the direct echo), and the far socket that answers as the tunnel
// server's far side would.
#pragma once

#include <netinet/in.h>

#include <cstdint>
#include <string>
#include <vector>

#include "bench/relay/LatencySamples.h"
#include "tools/tunnelserver/UniqueFd.h"

namespace ovix::bench {

struct TrafficPath {
    std::string name;
    uint8_t id = 0;
    tools::CUniqueFd nearSocket;
    sockaddr_in entry{};
    tools::CUniqueFd farSocket;
    sockaddr_in farPeer{};  // where the far side's datagrams go: the last source it heard

    uint32_t nextSequence = 0;
    // Probes of the current phase or step have sequence numbers from phaseFirst on.
    uint32_t phaseFirst = 0;
    uint32_t phaseSent = 0;
    uint32_t phaseReceived = 0;
    CLatencySamples phaseSamples;
    // Latency by sequence number from phaseFirst on (-1: not arrived); sized by the phase.
    std::vector<int64_t> latencyBySequence;
    // Echo phases: when the far side got each probe (-1: not yet), and the two one-way
    // legs of every round trip, so a delay can be placed on its direction.
    std::vector<int64_t> farArrivalBySequence;
    CLatencySamples outSamples;
    CLatencySamples inSamples;
};

}  // namespace ovix::bench
