// Fuzz target for CFrameAssembler::Feed. The input is read as a sequence of
// (chunk size byte, chunk bytes); every chunk is fed to the real assembler and to the
// plain join-everything model, and both must give the same packets. The bytes kept of
// an unfinished frame must never exceed one frame.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "agent/core/CFrameAssembler.h"
#include "agent/core/TunnelFrame.h"
#include "agent/core/tests/ReferenceAssembler.h"

namespace {

void Require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "FeedFuzz: %s\n", what);
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace ovix::agent;
    CFrameAssembler assembler;
    testing::ReferenceAssembler reference;
    std::size_t at = 0;
    std::size_t compared = 0;
    while (at < size) {
        // A size byte of 255 stands for "the rest of the input", so long frames are reached.
        const std::size_t wanted = data[at] == 255 ? size : std::size_t{data[at]} + 1;
        ++at;
        const std::size_t n = wanted < size - at ? wanted : size - at;
        assembler.Feed(data + at, n);
        reference.Feed(data + at, n);
        at += n;
        Require(assembler.PendingSize() <= kMaxFrameSize, "kept bytes exceed one frame");
        Require(assembler.PendingSize() == reference.PendingSize(), "kept bytes differ");
        bool zeroTerminated = true;
        const auto packets = testing::DrainReady(assembler, &zeroTerminated);
        Require(zeroTerminated, "payload without its zero byte");
        for (const auto& packet : packets) {
            Require(compared < reference.packets.size() && reference.packets[compared] == packet,
                    "packet differs from the plain model");
            ++compared;
        }
    }
    Require(compared == reference.packets.size(), "packet count differs");
    assembler.Feed(nullptr, 0);
    return 0;
}
