#include "agent/app/AgentLifetime.h"

namespace ovix::agent {

CAgentLifetime::Action CAgentLifetime::Unlock() {
    if (locks_ > 0) {
        --locks_;
    }
    if (locks_ > 0) {
        return Action::kNone;
    }
    if (windowGone_) {
        return Action::kQuit;
    }
    return userControl_ ? Action::kNone : Action::kCloseMainWindow;
}

CAgentLifetime::Action CAgentLifetime::OnMainWindowDestroyed() {
    windowGone_ = true;
    return locks_ > 0 ? Action::kNone : Action::kQuit;
}

}  // namespace ovix::agent
