#include "tools/faultproxy/FaultPlan.h"

#include <charconv>
#include <fstream>
#include <sstream>

namespace ovix::tools {

const FaultStep& FaultPlan::StepFor(std::size_t connection) const {
    return connection < steps.size() ? steps[connection] : afterwards;
}

bool ParseFaultStep(const std::string& text, FaultStep* step) {
    const size_t colon = text.find(':');
    const std::string kind = text.substr(0, colon);
    const std::string value = colon == std::string::npos ? std::string() : text.substr(colon + 1);
    *step = FaultStep{};
    if (kind == "pass") {
        return value.empty();
    }
    if (kind == "script") {
        std::ifstream in(value, std::ios::binary);
        if (!in) {
            return false;
        }
        std::ostringstream bytes;
        bytes << in.rdbuf();
        step->kind = FaultStep::Kind::kScript;
        step->script = bytes.str();
        return true;
    }
    if (kind == "cut") {
        step->kind = FaultStep::Kind::kCut;
    } else if (kind == "reset") {
        step->kind = FaultStep::Kind::kReset;
    } else if (kind == "stall") {
        step->kind = FaultStep::Kind::kStall;
    } else {
        return false;
    }
    const char* end = value.data() + value.size();
    const auto [stop, error] = std::from_chars(value.data(), end, step->bodyBytes);
    return !value.empty() && error == std::errc() && stop == end && step->bodyBytes >= 0;
}

}  // namespace ovix::tools
