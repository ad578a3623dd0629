// What the fault proxy does with each connection, in the order connections arrive.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ovix::tools {

struct FaultStep {
    enum class Kind {
        kPass,    // relays the whole answer
        kCut,     // closes cleanly after `bodyBytes` bytes of the answer's body
        kReset,   // resets the connection after `bodyBytes` body bytes
        kStall,   // stops sending after `bodyBytes` body bytes, keeps the connection open
        kScript,  // answers with `script` itself (no upstream) and closes
    };
    Kind kind = Kind::kPass;
    std::int64_t bodyBytes = 0;
    std::string script = {};
};

struct FaultPlan {
    std::vector<FaultStep> steps = {};  // step i for the i-th connection (from 0)
    FaultStep afterwards = {};          // for every connection past the steps

    const FaultStep& StepFor(std::size_t connection) const;
};

// "pass", "cut:N", "reset:N", "stall:N" or "script:FILE"; false for anything else.
bool ParseFaultStep(const std::string& text, FaultStep* step);

}  // namespace ovix::tools
