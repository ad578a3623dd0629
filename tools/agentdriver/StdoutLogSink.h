// Writes the relay core's log lines to standard output, one whole line at a time (lines
// arrive from several of the core's threads), flushed at once so a reader sees them live.
#pragma once

#include <mutex>
#include <string_view>

#include "agent/core/AgentLogSink.h"

namespace ovix::tools {

class CStdoutLogSink : public agent::IAgentLogSink {
public:
    void AddLogLine(std::string_view line) override;
    // Lines of the driver itself, kept whole among the core's.
    void Print(std::string_view line);

private:
    std::mutex outputLock_;  // serialises writes to stdout
};

}  // namespace ovix::tools
