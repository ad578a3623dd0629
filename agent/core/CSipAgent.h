// The relay core of the tunnel agent. It owns the SIP listener, the RTP listener and the
// tunnel connection: datagrams from the local softphone become frames to the tunnel
// server, frames from the server become datagrams to the softphone or address replies.
// It writes its progress as log lines to an IAgentLogSink (the agent window).
//
// StartRelay, StopRelay and DisconnectTunnel run on the window's thread; OnSipDatagram
// on the SIP listener's worker, OnRtpDatagram on the RTP workers, OnPacket on the
// tunnel's DispatchThread.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "agent/core/AgentLogSink.h"
#include "agent/core/CLock.h"
#include "agent/core/CRtpServerSock.h"
#include "agent/core/CSipServerSock.h"
#include "agent/core/CTunnelSock.h"
#include "agent/core/IListenerOwner.h"
#include "agent/core/ITunnelOwner.h"

namespace ovix::agent {

// Host and port of the tunnel server, from the text "host" or "host:port".
struct TunnelServerTarget {
    std::string host;
    std::uint16_t port = 0;
};

class CSipAgent final : public IListenerOwner, public ITunnelOwner {
public:
    static constexpr std::uint16_t kFirstSipPort = 5060;
    static constexpr std::uint16_t kFirstRtpPort = 10000;
    static constexpr std::uint16_t kDefaultServerPort = 80;
    static constexpr std::uint16_t kListenerBufferSize = 4096;
    static constexpr int kPortRetryPauseMs = 20;

    CSipAgent();
    ~CSipAgent() override;
    CSipAgent(const CSipAgent&) = delete;
    CSipAgent& operator=(const CSipAgent&) = delete;

    // The log sink (not owned), or null for none. Clear it only after StopRelay, since
    // workers may be writing a line.
    void SetLogSink(IAgentLogSink* sink) { logSink_.store(sink); }

    // Opens the SIP listener from port 5060 and the RTP listener from port 10000 on the
    // host's first address, takes the tunnel server from "host" or "host:port" (port 80
    // when none) and starts the dispatch worker. No connection is made here: the first
    // SIP datagram makes it. A core that is relaying is stopped first. Returns 0.
    int StartRelay(std::string_view serverText);
    // Closes both listeners (logging the two stop lines), stops the dispatch worker and
    // closes the tunnel. Any state.
    void StopRelay();
    // Closes the tunnel connection without a log line; the next SIP datagram reconnects.
    void DisconnectTunnel();

    // Opens the tunnel connection and connects it; logs the result.
    bool ConnectTunnel(const std::string& address, std::uint16_t port);

    void OnSipDatagram(std::string_view text) override;
    void OnRtpDatagram(const std::uint8_t* bytes, std::size_t length,
                       std::uint16_t sourcePortNetworkOrder) override;
    void OnPacket(const TunnelPacket& packet) override;
    void Log(std::string_view line) override;

    // Where the SIP listener is: its bind address (empty when the host has none) and
    // the port most recently tried at start (0 before any start).
    std::string SipAddress() const { return sipListener_.BindAddress(); }
    std::uint16_t SipPort() const { return sipListener_.SipPort(); }
    // Bound ports (0 while closed).
    std::uint16_t SipBoundPort() const { return sipListener_.Port(); }
    std::string RtpAddress() const { return rtpListener_.BindAddress(); }
    std::uint16_t RtpPort() const { return rtpListener_.Port(); }

    bool IsConnected() const { return tunnel_.IsConnected(); }
    bool IsStopped() const { return stopped_.load(); }
    TunnelServerTarget ServerTarget() const;
    // The server host as the window sets it before a start (port unchanged).
    void SetServerAddress(std::string_view host);

    // "host:port" -> host and the decimal port (non-numeric text reads as 0, kept to 16
    // bits); "host" -> host and port 80.
    static TunnelServerTarget ParseServerText(std::string_view text);

    // For tests: the tunnel connection.
    CTunnelSock& Tunnel() { return tunnel_; }

private:
    enum class ListenerKind { kSip, kRtp };
    // Tries ports from first up to 65535; stops early when a failure is not "port taken".
    void OpenListener(ListenerKind kind, std::uint16_t first);

    std::atomic<IAgentLogSink*> logSink_{nullptr};
    std::atomic<bool> stopped_{false};
    bool relaying_ = false;  // window's thread only
    mutable CLock serverLock_;
    TunnelServerTarget server_;  // guarded by serverLock_
    CSipServerSock sipListener_;
    CRtpServerSock rtpListener_;
    CTunnelSock tunnel_;
};

}  // namespace ovix::agent
