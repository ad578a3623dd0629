// OvixAgent: the tunnel agent, a local automation server with a log window.
#include "agent/app/AgentCoreRelay.h"
#include "agent/app/AgentProgram.h"

int main(int argc, char** argv) {
    return ovix::agent::RunAgentProgram(argc, argv, ovix::agent::MakeAgentCoreRelay);
}
