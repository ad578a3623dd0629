// A fault-injecting HTTP proxy on 127.0.0.1, run in-process by tests or by the faultproxy
// program. Connections are served one at a time, in order, each by the plan's step for it;
// every request header received is kept for the test to read.
//
//   CFaultProxy proxy({.steps = {{FaultStep::Kind::kCut, 4000}}}, nginx.Port());
//   proxy.Start();  // then fetch http://127.0.0.1:<proxy.Port()>/file
#pragma once

#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tools/faultproxy/FaultPlan.h"
#include "tools/faultproxy/ProxySocket.h"

namespace ovix::tools {

class CFaultProxy {
public:
    // `upstreamPort` 0: no upstream (scripted answers only; a passing step then closes).
    CFaultProxy(FaultPlan plan, int upstreamPort);
    ~CFaultProxy();
    CFaultProxy(const CFaultProxy&) = delete;
    CFaultProxy& operator=(const CFaultProxy&) = delete;

    // Listens on a free port of 127.0.0.1 and starts serving. False when it cannot listen.
    bool Start();
    // Ends the serving thread (a stalled connection is let go) and closes everything.
    void Stop();

    int Port() const { return m_port; }
    // Replaces the plan for the connections still to come (counted from the first one ever),
    // for answers that must name the proxy's own port.
    void SetPlan(FaultPlan plan);
    // Request headers (request line to blank line, as received), in order of arrival.
    std::vector<std::string> Requests() const;

private:
    void Serve();
    void ServeConnection(CProxySocket client, const FaultStep& step);
    // Reads up to the blank line of the request; empty when none came in time.
    std::string ReadRequestHeader(const CProxySocket& client);
    void Relay(const CProxySocket& client, const CProxySocket& upstream, const FaultStep& step,
               bool* reset);
    void HoldUntilClosed(const CProxySocket& client);
    // poll() on `fd` and the stop pipe; true when `fd` is ready, false on stop or time-out.
    bool WaitReadable(int fd, int timeoutMs);

    FaultPlan m_plan;  // guarded by m_lock
    int m_upstreamPort;
    int m_port = 0;
    CProxySocket m_listener;
    int m_stopPipe[2] = {-1, -1};
    std::thread m_thread;
    mutable std::mutex m_lock;
    std::vector<std::string> m_requests;  // guarded by m_lock
};

}  // namespace ovix::tools
