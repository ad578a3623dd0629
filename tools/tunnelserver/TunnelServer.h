// The stand-in tunnel server: accepts agents on one TCP port and relays their frames to the
// configured UDP addresses (or echoes them), all on one thread around poll(). SIGUSR1 prints
// the frame counts; SIGTERM and SIGINT print them and end the run.
#pragma once

#include <memory>
#include <vector>

#include "tools/tunnelserver/AgentSession.h"
#include "tools/tunnelserver/FrameCounts.h"
#include "tools/tunnelserver/TunnelServerOptions.h"
#include "tools/tunnelserver/UniqueFd.h"

namespace ovix::tools {

class CTunnelServer {
public:
    explicit CTunnelServer(const TunnelServerOptions& options) : options_(options) {}

    // Runs until SIGTERM or SIGINT; returns the process exit code.
    int Run();

private:
    bool OpenListener();
    bool OpenSignals();
    void AcceptAgents();
    // False when the run should end.
    bool HandleSignals();
    void CloseSession(size_t index);

    TunnelServerOptions options_;
    FrameCounts counts_;
    CUniqueFd listener_;
    CUniqueFd signals_;
    std::vector<std::unique_ptr<CAgentSession>> sessions_;  // at most kMaxAgents
    int nextAgentId_ = 1;
};

}  // namespace ovix::tools
