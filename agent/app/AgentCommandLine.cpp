#include "agent/app/AgentCommandLine.h"

#include <strings.h>

namespace ovix::agent {

namespace {

bool IsAutomationOption(const std::string& argument) {
    if (argument.size() < 2 || (argument[0] != '/' && argument[0] != '-')) {
        return false;
    }
    const char* name = argument.c_str() + 1;
    return strcasecmp(name, "Automation") == 0 || strcasecmp(name, "Embedding") == 0;
}

}  // namespace

AgentCommandLine ParseAgentCommandLine(const std::vector<std::string>& arguments) {
    AgentCommandLine line;
    for (const auto& argument : arguments) {
        if (IsAutomationOption(argument)) {
            line.automation = true;
            continue;
        }
        if (!line.remaining.empty()) {
            line.remaining += ' ';
        }
        line.remaining += argument;
    }
    return line;
}

}  // namespace ovix::agent
