#include "agent/app/AgentRegistration.h"

#include "agent/app/AgentAutomationIds.h"
#include "common/MainClientContract.h"
#include "platform/automation/AutomationRegistry.h"
#include "platform/sys/ProgramFolder.h"

namespace ovix::agent {

std::string AgentProgramPath() {
    return platform::ProgramFolder() + "/" + contract::ProgramFileName(contract::kAgentProgram);
}

bool RegisterAgentServer(const std::string& registryFile, const std::string& serverProgram) {
    return platform::RegisterLocalServer(registryFile, contract::kAgentProgId, kAgentClassId,
                                         serverProgram);
}

}  // namespace ovix::agent
