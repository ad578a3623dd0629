// The agent's command line: the automation option ("Automation" or "Embedding" after '/' or
// '-', any case) marks a start by an automation client and is taken out; what remains
// decides whether this start only registers ("-reg", exactly).
#pragma once

#include <string>
#include <vector>

namespace ovix::agent {

struct AgentCommandLine {
    bool automation = false;  // started for automation: not under user control
    std::string remaining;    // the other arguments, joined by single spaces
    bool RegisterOnly() const { return remaining == "-reg"; }
};

AgentCommandLine ParseAgentCommandLine(const std::vector<std::string>& arguments);

}  // namespace ovix::agent
