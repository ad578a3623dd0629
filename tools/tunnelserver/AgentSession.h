// One agent connected to the stand-in: its TCP stream, the frame assembler that cuts that
// stream, and two UDP sockets of its own through which its SIP and RTP reach the far
// addresses. Answers from the far side arrive on those sockets, so they go back to the agent
// they belong to.
#pragma once

#include <netinet/in.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "agent/core/CFrameAssembler.h"
#include "agent/core/TunnelFrame.h"
#include "agent/core/TunnelPacket.h"
#include "tools/tunnelserver/BoundedByteQueue.h"
#include "tools/tunnelserver/FrameCounts.h"
#include "tools/tunnelserver/TunnelServerOptions.h"
#include "tools/tunnelserver/UniqueFd.h"

namespace ovix::tools {

class CAgentSession {
public:
    CAgentSession(int id, CUniqueFd stream, const sockaddr_in& agentAddress,
                  const TunnelServerOptions& options, FrameCounts& counts);
    CAgentSession(const CAgentSession&) = delete;
    CAgentSession& operator=(const CAgentSession&) = delete;

    // Opens the two relay sockets on udpHost and asks the agent for its listener addresses.
    // False when the session cannot work and should be dropped.
    bool Start(const sockaddr_in& udpHost);

    int StreamFd() const { return stream_.Get(); }
    int SipFd() const { return sipSocket_.Get(); }
    int RtpFd() const { return rtpSocket_.Get(); }
    bool WantsWrite() const { return !output_.Empty(); }

    // Each returns false when the stream has ended and the session is over.
    bool OnStreamReadable();
    bool OnStreamWritable();
    void OnSipReadable();
    void OnRtpReadable();

    int Id() const { return id_; }
    // A write to the agent failed; the session should be closed.
    bool IsBroken() const { return broken_; }

private:
    void HandlePacket(const agent::TunnelPacket& packet);
    void HandleControl(const agent::TunnelPacket& packet);
    void ForwardDatagram(int fd, bool hasTarget, const sockaddr_in& target,
                         const agent::TunnelPacket& packet);
    void RelayFarDatagrams(int fd, bool sip);
    // Queues one whole frame for the agent; false (and counted as dropped) when the output
    // is full or the frame could not be built.
    bool QueueFrame(const uint8_t* frame, size_t length);
    bool FlushOutput();

    int id_;
    CUniqueFd stream_;
    sockaddr_in agentAddress_;
    const TunnelServerOptions& options_;
    FrameCounts& counts_;
    CUniqueFd sipSocket_;
    CUniqueFd rtpSocket_;
    agent::CFrameAssembler assembler_;
    CBoundedByteQueue output_;
    bool broken_ = false;  // a write failed; the session ends at the next readiness check
};

}  // namespace ovix::tools
