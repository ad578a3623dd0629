// A deliberately plain model of the stream cutting, used to check CFrameAssembler: it
// keeps every unfinished piece as its own fragment, joins them all with each new chunk
// and cuts the joined run from its start. Tests and the fuzz target compare the real
// assembler, which cuts in place, against it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "agent/core/CFrameAssembler.h"
#include "agent/core/TunnelPacket.h"

namespace ovix::agent::testing {

struct SimplePacket {
    std::int32_t kind = kPacketOther;
    std::vector<std::uint8_t> payload;
    bool operator==(const SimplePacket&) const = default;
};

class ReferenceAssembler {
public:
    void Feed(const std::uint8_t* bytes, std::size_t length) {
        if (bytes == nullptr || length == 0) {
            return;
        }
        std::vector<std::uint8_t> run;
        for (const auto& fragment : fragments_) {
            run.insert(run.end(), fragment.begin(), fragment.end());
        }
        fragments_.clear();
        run.insert(run.end(), bytes, bytes + length);
        Cut(run.data(), run.size());
    }

    std::size_t PendingSize() const {
        std::size_t size = 0;
        for (const auto& fragment : fragments_) {
            size += fragment.size();
        }
        return size;
    }

    std::vector<SimplePacket> packets;

private:
    void Cut(const std::uint8_t* p, std::size_t n) {
        for (;;) {
            if (n == 0) {
                return;
            }
            if (n < 5) {
                fragments_.emplace_back(p, p + n);
                return;
            }
            const std::size_t length = (std::size_t{p[0]} << 8) | p[1];
            if (n == 5) {
                if (length > 3) {
                    fragments_.emplace_back(p, p + n);
                } else {
                    packets.push_back({PacketKindFromFrameType(p[2]), {}});
                }
                return;
            }
            if (n < length + 2) {
                fragments_.emplace_back(p, p + n);
                return;
            }
            SimplePacket packet{PacketKindFromFrameType(p[2]), {}};
            if (length > 3) {
                packet.payload.assign(p + 5, p + 5 + (length - 3));
            }
            packets.push_back(std::move(packet));
            p += length + 2;
            n -= length + 2;
        }
    }

    std::vector<std::vector<std::uint8_t>> fragments_;
};

// Takes every ready packet out of the assembler, checking the zero byte after each payload.
inline std::vector<SimplePacket> DrainReady(CFrameAssembler& assembler, bool* zeroTerminated) {
    std::vector<SimplePacket> out;
    while (TunnelPacket* packet = assembler.Front()) {
        SimplePacket simple{packet->kind, {}};
        if (packet->payload) {
            simple.payload.assign(packet->payload.get(),
                                  packet->payload.get() + packet->payloadLength);
            if (packet->payload[packet->payloadLength] != 0 && zeroTerminated != nullptr) {
                *zeroTerminated = false;
            }
        } else if (packet->payloadLength != 0 && zeroTerminated != nullptr) {
            *zeroTerminated = false;  // a length without bytes is a fault too
        }
        out.push_back(std::move(simple));
        assembler.PopFront();
    }
    return out;
}

}  // namespace ovix::agent::testing
