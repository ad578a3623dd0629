#include "tools/tunnelserver/AgentSession.h"

#include <arpa/inet.h>
#include <errno.h>
#include <sys/socket.h>

#include <array>

#include "tools/tunnelserver/OutputLine.h"
#include "tools/tunnelserver/SocketAddress.h"
#include "tools/tunnelserver/Sockets.h"

namespace ovix::tools {

namespace {

// Enough for a few seconds of a busy call; beyond it frames for a stalled agent are dropped.
constexpr size_t kOutputCapacity = 1 << 20;
constexpr size_t kStreamReadSize = 8192;
// The largest payload a frame's 16-bit Length can describe.
constexpr size_t kMaxPayload = agent::kMaxFramePayload;
// Reads per readiness event, so one busy socket cannot starve the others.
constexpr int kReadsPerEvent = 64;

}  // namespace

CAgentSession::CAgentSession(int id, CUniqueFd stream, const sockaddr_in& agentAddress,
                             const TunnelServerOptions& options, FrameCounts& counts)
    : id_(id),
      stream_(std::move(stream)),
      agentAddress_(agentAddress),
      options_(options),
      counts_(counts),
      output_(kOutputCapacity) {}

bool CAgentSession::Start(const sockaddr_in& udpHost) {
    sipSocket_ = OpenUdpSocket(udpHost);
    rtpSocket_ = OpenUdpSocket(udpHost);
    if (!sipSocket_.IsValid() || !rtpSocket_.IsValid() || !SetNonBlocking(stream_.Get())) {
        return false;
    }
    SetNoDelay(stream_.Get());
    PrintLine("tunnelserver agent " + std::to_string(id_) + " connected from " +
              FormatHostPort(agentAddress_) + " (sip relay " +
              FormatHostPort(LocalAddressOf(sipSocket_.Get())) + ", rtp relay " +
              FormatHostPort(LocalAddressOf(rtpSocket_.Get())) + ")");
    // Requests carry the subtype as their only payload byte; the Port field is unused.
    for (uint8_t subtype : {agent::kControlSipAddress, agent::kControlRtpAddress}) {
        const std::array<uint8_t, 6> request = {0, 4, agent::kFrameTypeControl, 0, 0, subtype};
        if (QueueFrame(request.data(), request.size())) {
            ++counts_.controlToAgent;
        }
    }
    return FlushOutput();
}

bool CAgentSession::OnStreamReadable() {
    std::array<uint8_t, kStreamReadSize> chunk;
    for (int reads = 0; reads < kReadsPerEvent; ++reads) {
        const ssize_t got = recv(stream_.Get(), chunk.data(), chunk.size(), 0);
        if (got == 0) {
            return false;
        }
        if (got < 0) {
            return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
        }
        assembler_.Feed(chunk.data(), static_cast<size_t>(got));
        while (const agent::TunnelPacket* packet = assembler_.Front()) {
            HandlePacket(*packet);
            assembler_.PopFront();
        }
        if (broken_) {
            return false;
        }
    }
    return true;
}

bool CAgentSession::OnStreamWritable() {
    return FlushOutput();
}

void CAgentSession::HandlePacket(const agent::TunnelPacket& packet) {
    switch (packet.kind) {
        case agent::kPacketControl:
            ++counts_.controlFromAgent;
            HandleControl(packet);
            break;
        case agent::kPacketSip:
            ++counts_.sipFromAgent;
            ForwardDatagram(sipSocket_.Get(), options_.hasSip, options_.sip, packet);
            break;
        case agent::kPacketRtp:
            ++counts_.rtpFromAgent;
            ForwardDatagram(rtpSocket_.Get(), options_.hasRtp, options_.rtp, packet);
            break;
        default:
            ++counts_.otherFromAgent;
            break;
    }
}

void CAgentSession::HandleControl(const agent::TunnelPacket& packet) {
    if (packet.payloadLength < 1) {
        return;
    }
    const uint8_t subtype = packet.payload[0];
    const std::string text(reinterpret_cast<const char*>(packet.payload.get()) + 1,
                           static_cast<size_t>(packet.payloadLength - 1));
    const char* which = subtype == agent::kControlSipAddress   ? "sip"
                        : subtype == agent::kControlRtpAddress ? "rtp"
                                                               : "unknown";
    PrintLine("tunnelserver agent " + std::to_string(id_) + " " + which + " listener " + text);
}

void CAgentSession::ForwardDatagram(int fd, bool hasTarget, const sockaddr_in& target,
                                    const agent::TunnelPacket& packet) {
    const uint8_t* payload = packet.payload.get();
    const size_t length = packet.payloadLength > 0 ? static_cast<size_t>(packet.payloadLength) : 0;
    if (options_.echo) {
        const bool sip = packet.kind == agent::kPacketSip;
        const agent::FrameBytes frame =
            sip ? agent::BuildSipFrame(packet.Text()) : agent::BuildRtpFrame(payload, length, 0);
        if (QueueFrame(frame.data(), frame.size())) {
            ++(sip ? counts_.sipToAgent : counts_.rtpToAgent);
        }
        return;
    }
    if (!hasTarget || length == 0 ||
        sendto(fd, payload, length, MSG_NOSIGNAL, reinterpret_cast<const sockaddr*>(&target),
               sizeof(target)) < 0) {
        ++counts_.dropped;
    }
}

void CAgentSession::OnSipReadable() {
    RelayFarDatagrams(sipSocket_.Get(), true);
}

void CAgentSession::OnRtpReadable() {
    RelayFarDatagrams(rtpSocket_.Get(), false);
}

void CAgentSession::RelayFarDatagrams(int fd, bool sip) {
    // One byte more than the largest payload, so an oversized datagram shows as such.
    std::array<uint8_t, kMaxPayload + 1> datagram;
    for (int reads = 0; reads < kReadsPerEvent; ++reads) {
        sockaddr_in from{};
        socklen_t fromLength = sizeof(from);
        const ssize_t got = recvfrom(fd, datagram.data(), datagram.size(), 0,
                                     reinterpret_cast<sockaddr*>(&from), &fromLength);
        if (got < 0) {
            break;
        }
        if (got == 0 || static_cast<size_t>(got) > kMaxPayload) {
            ++counts_.dropped;
            continue;
        }
        const size_t length = static_cast<size_t>(got);
        const agent::FrameBytes frame =
            sip ? agent::BuildSipFrame(
                      std::string_view(reinterpret_cast<const char*>(datagram.data()), length))
                : agent::BuildRtpFrame(datagram.data(), length, from.sin_port);
        if (QueueFrame(frame.data(), frame.size())) {
            ++(sip ? counts_.sipToAgent : counts_.rtpToAgent);
        }
    }
    FlushOutput();
}

bool CAgentSession::QueueFrame(const uint8_t* frame, size_t length) {
    if (frame == nullptr || length == 0 || !output_.Append(frame, length)) {
        ++counts_.dropped;
        return false;
    }
    return true;
}

bool CAgentSession::FlushOutput() {
    while (!output_.Empty() && !broken_) {
        const ssize_t sent = send(stream_.Get(), output_.Data(), output_.Size(), MSG_NOSIGNAL);
        if (sent > 0) {
            output_.Consume(static_cast<size_t>(sent));
        } else if (sent < 0 && errno == EINTR) {
            continue;
        } else if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            break;
        } else {
            broken_ = true;
        }
    }
    return !broken_;
}

}  // namespace ovix::tools
