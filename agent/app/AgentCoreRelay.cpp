#include "agent/app/AgentCoreRelay.h"

#include "agent/core/CSipAgent.h"

namespace ovix::agent {

namespace {

class CAgentCoreRelay final : public IAgentRelay {
public:
    int StartRelay(const std::string& address) override { return core_.StartRelay(address); }
    void StopRelay() override { core_.StopRelay(); }
    void SetServerAddress(const std::string& address) override { core_.SetServerAddress(address); }
    std::string ServerAddress() const override { return core_.ServerTarget().host; }
    // The core takes the port from the address text at every start, so a port set before
    // the start would be overwritten at once; the core keeps no separate setter for it.
    void SetServerPort(uint16_t) override {}
    uint16_t ServerPort() const override { return core_.ServerTarget().port; }
    std::string SipBindAddress() const override { return core_.SipAddress(); }
    uint16_t SipPort() const override { return core_.SipPort(); }
    void DisconnectTunnel() override { core_.DisconnectTunnel(); }
    void SetLogSink(IAgentLogSink* sink) override { core_.SetLogSink(sink); }

private:
    CSipAgent core_;
};

}  // namespace

std::unique_ptr<IAgentRelay> MakeAgentCoreRelay() {
    return std::make_unique<CAgentCoreRelay>();
}

}  // namespace ovix::agent
