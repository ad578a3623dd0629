// The relay core adapted to the window's relay interface.
#pragma once

#include <memory>

#include "agent/ui/AgentRelay.h"

namespace ovix::agent {

std::unique_ptr<IAgentRelay> MakeAgentCoreRelay();

}  // namespace ovix::agent
