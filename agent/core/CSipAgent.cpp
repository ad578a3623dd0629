#include "agent/core/CSipAgent.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "agent/core/AgentLogText.h"
#include "agent/core/TunnelFrame.h"
#include "platform/net/LocalAddressList.h"
#include "platform/net/WinsockError.h"

namespace ovix::agent {

CSipAgent::CSipAgent()
    : sipListener_(this, kListenerBufferSize),
      rtpListener_(this, kListenerBufferSize),
      tunnel_(this) {}

CSipAgent::~CSipAgent() {
    // Workers call back into this object: end them all before any member goes.
    SetLogSink(nullptr);
    stopped_.store(true);
    sipListener_.Close();
    rtpListener_.Close();
    tunnel_.StopDispatch();
    tunnel_.Close();
}

TunnelServerTarget CSipAgent::ParseServerText(std::string_view text) {
    const std::size_t colon = text.find(':');
    if (colon == std::string_view::npos) {
        return {std::string(text), kDefaultServerPort};
    }
    // Read like atoi: leading blanks and sign, then digits; anything else reads as 0.
    const std::string portText(text.substr(colon + 1));
    errno = 0;
    long port = std::strtol(portText.c_str(), nullptr, 10);
    if (errno == ERANGE) {
        port = port < 0 ? -1 : 0xFFFF;
    }
    return {std::string(text.substr(0, colon)), static_cast<std::uint16_t>(port)};
}

TunnelServerTarget CSipAgent::ServerTarget() const {
    CLockGuard guard(serverLock_);
    return server_;
}

void CSipAgent::SetServerAddress(std::string_view host) {
    CLockGuard guard(serverLock_);
    server_.host = std::string(host);
}

int CSipAgent::StartRelay(std::string_view serverText) {
    if (relaying_) {
        StopRelay();
    }
    // The server is known before the listeners can deliver the first datagram.
    {
        CLockGuard guard(serverLock_);
        server_ = ParseServerText(serverText);
    }
    stopped_.store(false);
    OpenListener(ListenerKind::kSip, kFirstSipPort);
    OpenListener(ListenerKind::kRtp, kFirstRtpPort);
    tunnel_.StartDispatch();
    relaying_ = true;
    return 0;
}

void CSipAgent::OpenListener(ListenerKind kind, std::uint16_t first) {
    const bool sip = kind == ListenerKind::kSip;
    for (std::uint32_t port = first; port <= 0xFFFF; ++port) {
        const std::string address = platform::LocalAddress(0);
        const int opened = sip ? sipListener_.OpenAt(address, static_cast<std::uint16_t>(port))
                               : rtpListener_.OpenAt(address, static_cast<std::uint16_t>(port));
        if (opened == 0) {
            Log(sip ? logtext::SipStarted(address, static_cast<std::uint16_t>(port))
                    : logtext::RtpStarted(address, static_cast<std::uint16_t>(port)));
            return;
        }
        Log(sip ? logtext::kSipStartFailed : logtext::kRtpStartFailed);
        // Only a taken port is worth the next one; any other failure (an address that
        // is not on this host, no sockets left) would fail the same way 60,000 times.
        const int error = sip ? sipListener_.LastOpenError() : rtpListener_.LastOpenError();
        if (error != platform::kWsaEADDRINUSE) {
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(kPortRetryPauseMs));
    }
}

void CSipAgent::StopRelay() {
    stopped_.store(true);
    sipListener_.Close();
    Log(logtext::kSipStopped);
    rtpListener_.Close();
    Log(logtext::kRtpStopped);
    tunnel_.StopDispatch();
    tunnel_.Close();
    relaying_ = false;
}

void CSipAgent::DisconnectTunnel() {
    tunnel_.Close();
}

bool CSipAgent::ConnectTunnel(const std::string& address, std::uint16_t port) {
    if (tunnel_.Open() != 0 || tunnel_.Connect(address, port) != 0) {
        tunnel_.Close();
        Log(logtext::TunnelConnectFailed(address));
        return false;
    }
    Log(logtext::TunnelConnected(address));
    return true;
}

void CSipAgent::OnSipDatagram(std::string_view text) {
    if (stopped_.load()) {
        return;
    }
    Log(text);
    const FrameBytes frame = BuildSipFrame(text);
    if (frame.empty()) {
        return;
    }
    // Refused while not connected: the datagram that opens the connection is dropped,
    // and the softphone's retransmission travels.
    tunnel_.Enqueue(frame.data(), frame.size());
    if (!tunnel_.IsConnected()) {
        const TunnelServerTarget server = ServerTarget();
        ConnectTunnel(server.host, server.port);
    }
}

void CSipAgent::OnRtpDatagram(const std::uint8_t* bytes, std::size_t length,
                              std::uint16_t sourcePortNetworkOrder) {
    if (stopped_.load()) {
        return;
    }
    const FrameBytes frame = BuildRtpFrame(bytes, length, sourcePortNetworkOrder);
    if (!frame.empty()) {
        tunnel_.Enqueue(frame.data(), frame.size());
    }
}

void CSipAgent::OnPacket(const TunnelPacket& packet) {
    switch (packet.kind) {
        case kPacketControl: {
            if (!packet.payload || packet.payloadLength <= 0) {
                return;
            }
            const std::uint8_t subtype = packet.payload[0];
            FrameBytes reply;
            if (subtype == kControlRtpAddress) {
                reply = BuildAddressReply(subtype, rtpListener_.BindAddress(), rtpListener_.Port());
            } else if (subtype == kControlSipAddress) {
                reply = BuildAddressReply(subtype, sipListener_.BindAddress(), sipListener_.Port());
            }
            if (!reply.empty()) {
                tunnel_.Enqueue(reply.data(), reply.size());
            }
            return;
        }
        case kPacketSip:
            if (packet.payload) {
                sipListener_.SendToPeer(packet.payload.get(),
                                        static_cast<std::size_t>(packet.payloadLength));
                Log(packet.Text());
            }
            return;
        case kPacketRtp:
            if (packet.payload) {
                rtpListener_.SendToPeer(packet.payload.get(),
                                        static_cast<std::size_t>(packet.payloadLength));
            }
            return;
        default:
            return;
    }
}

void CSipAgent::Log(std::string_view line) {
    if (IAgentLogSink* sink = logSink_.load()) {
        sink->AddLogLine(line);
    }
}

}  // namespace ovix::agent
