// The benchmark's RTP probe: a 172-byte datagram (12-byte RTP header, 160 bytes of payload,
// as one 20 ms G.711 frame) whose payload starts with a marker, the path it travels, its
// sequence number and the send time on the traffic tool's clock.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ovix::bench {

constexpr size_t kProbeSize = 172;

struct ProbeStamp {
    uint8_t path = 0;
    uint32_t sequence = 0;
    int64_t sentNs = 0;
};

void WriteProbe(const ProbeStamp& stamp, uint8_t (&datagram)[kProbeSize]);

// False when the bytes are not a probe of this tool.
bool ReadProbe(const uint8_t* bytes, size_t length, ProbeStamp& stamp);

// Monotonic clock of the whole run, in nanoseconds.
int64_t NowNs();

}  // namespace ovix::bench
