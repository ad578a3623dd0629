// What the agent window needs from the relay core, as an interface so that the window and
// its tests can run with a recording relay. The program adapts the real core to it.
#pragma once

#include <cstdint>
#include <string>

#include "agent/core/AgentLogSink.h"

namespace ovix::agent {

class IAgentRelay {
public:
    virtual ~IAgentRelay() = default;

    // address: host, optionally ":" and a decimal port (80 when none). Returns 0.
    virtual int StartRelay(const std::string& address) = 0;
    virtual void StopRelay() = 0;

    virtual void SetServerAddress(const std::string& address) = 0;
    virtual std::string ServerAddress() const = 0;
    virtual void SetServerPort(uint16_t port) = 0;
    virtual uint16_t ServerPort() const = 0;

    // Where the SIP listener is (bind address and the port last tried; 0 before a start).
    virtual std::string SipBindAddress() const = 0;
    virtual uint16_t SipPort() const = 0;

    // Drops the tunnel connection without a log line; the next SIP datagram reconnects.
    virtual void DisconnectTunnel() = 0;

    // nullptr detaches: once this returns, no more lines arrive at the old sink.
    virtual void SetLogSink(IAgentLogSink* sink) = 0;
};

}  // namespace ovix::agent
