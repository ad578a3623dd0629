// A relay that records what the window asks of it and never touches the network. It splits
// "host:port" the way the real core does, so the window's use of the result can be checked.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "agent/ui/AgentRelay.h"

namespace ovix::agent {

class CRecordingRelay : public IAgentRelay {
public:
    struct Record {
        std::vector<std::string> starts;
        int stops = 0;
        int disconnects = 0;
        IAgentLogSink* sink = nullptr;
        std::string serverAddress;
        uint16_t serverPort = 0;
    };

    // The record outlives the relay (the window owns and destroys the relay).
    explicit CRecordingRelay(Record& record) : record_(record) {}

    int StartRelay(const std::string& address) override {
        record_.starts.push_back(address);
        const auto colon = address.find(':');
        record_.serverAddress = address.substr(0, colon);
        record_.serverPort = colon == std::string::npos
                                 ? 80
                                 : static_cast<uint16_t>(std::atoi(address.c_str() + colon + 1));
        return 0;
    }
    void StopRelay() override { ++record_.stops; }
    void SetServerAddress(const std::string& address) override { record_.serverAddress = address; }
    std::string ServerAddress() const override { return record_.serverAddress; }
    void SetServerPort(uint16_t port) override { record_.serverPort = port; }
    uint16_t ServerPort() const override { return record_.serverPort; }
    std::string SipBindAddress() const override { return "127.0.0.1"; }
    uint16_t SipPort() const override { return record_.starts.empty() ? 0 : 5060; }
    void DisconnectTunnel() override { ++record_.disconnects; }
    void SetLogSink(IAgentLogSink* sink) override { record_.sink = sink; }

private:
    Record& record_;
};

}  // namespace ovix::agent
