// The agent program's start-up: automation option or registration, "-reg", the hidden main
// window and the event loop.
#pragma once

#include <functional>
#include <memory>

#include "agent/ui/AgentRelay.h"

namespace ovix::agent {

using AgentRelayFactory = std::function<std::unique_ptr<IAgentRelay>()>;

// Exit code: 0 normal end, 1 start-up failure.
int RunAgentProgram(int argc, char** argv, const AgentRelayFactory& makeRelay);

}  // namespace ovix::agent
