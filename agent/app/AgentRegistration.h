// Registration of the agent as the local server of "OvixAgent.Application".
#pragma once

#include <string>

namespace ovix::agent {

// The agent program file: the program folder + "/OvixAgent".
std::string AgentProgramPath();

// Writes the ProgID, class id and serverProgram into registryFile. False when it cannot.
bool RegisterAgentServer(const std::string& registryFile, const std::string& serverProgram);

}  // namespace ovix::agent
