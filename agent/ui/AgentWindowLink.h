// How the automation object and the agent window refer to each other without owning each
// other: each side clears the other's reference when it goes away first.
#pragma once

#include <cstdint>
#include <string>

namespace ovix::agent {

class IAgentAutoProxy {
public:
    virtual ~IAgentAutoProxy() = default;
    // The window is being destroyed; later calls behave as without a window.
    virtual void DetachWindow() = 0;
};

class IAgentWindow {
public:
    virtual ~IAgentWindow() = default;
    virtual int StartAgent(const std::string& address) = 0;
    virtual int StopAgent() = 0;
    virtual std::string SipBindAddress() const = 0;
    virtual uint16_t SipPort() const = 0;
    // Shows and activates the window in its current size and position.
    virtual void ShowWindow() = 0;
    virtual void DisconnectTunnel() = 0;
    // nullptr when the object goes away.
    virtual void SetAutoProxy(IAgentAutoProxy* proxy) = 0;
};

}  // namespace ovix::agent
