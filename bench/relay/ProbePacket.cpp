#include "bench/relay/ProbePacket.h"

#include <chrono>
#include <cstring>

namespace ovix::bench {

namespace {

constexpr size_t kRtpHeaderSize = 12;
constexpr uint8_t kMarker[4] = {'O', 'V', 'X', 'B'};

void PutBig(uint8_t* at, uint64_t value, int bytes) {
    for (int i = bytes - 1; i >= 0; --i) {
        at[i] = static_cast<uint8_t>(value & 0xFF);
        value >>= 8;
    }
}

uint64_t GetBig(const uint8_t* at, int bytes) {
    uint64_t value = 0;
    for (int i = 0; i < bytes; ++i) {
        value = (value << 8) | at[i];
    }
    return value;
}

}  // namespace

void WriteProbe(const ProbeStamp& stamp, uint8_t (&datagram)[kProbeSize]) {
    std::memset(datagram, 0xD5, sizeof(datagram));  // A-law silence after the stamp
    datagram[0] = 0x80;                             // RTP version 2
    datagram[1] = 8;                                // payload type 8, PCMA
    PutBig(datagram + 2, stamp.sequence & 0xFFFF, 2);
    PutBig(datagram + 4, static_cast<uint64_t>(stamp.sequence) * 160, 4);
    PutBig(datagram + 8, 0x4F565842u + stamp.path, 4);  // SSRC per path
    uint8_t* payload = datagram + kRtpHeaderSize;
    std::memcpy(payload, kMarker, sizeof(kMarker));
    payload[4] = stamp.path;
    PutBig(payload + 5, stamp.sequence, 4);
    PutBig(payload + 9, static_cast<uint64_t>(stamp.sentNs), 8);
}

bool ReadProbe(const uint8_t* bytes, size_t length, ProbeStamp& stamp) {
    if (length != kProbeSize) {
        return false;
    }
    const uint8_t* payload = bytes + kRtpHeaderSize;
    if (std::memcmp(payload, kMarker, sizeof(kMarker)) != 0) {
        return false;
    }
    stamp.path = payload[4];
    stamp.sequence = static_cast<uint32_t>(GetBig(payload + 5, 4));
    stamp.sentNs = static_cast<int64_t>(GetBig(payload + 9, 8));
    return true;
}

int64_t NowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace ovix::bench
