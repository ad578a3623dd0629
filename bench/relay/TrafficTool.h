// Plays the softphone and the tunnel server's far side at once, on one clock, and measures
// what the agent (and, for comparison, a socat UDP-over-TCP pair and a direct UDP echo)
// adds to the round trip of a voice call's traffic, then how fast each direction can go.
#pragma once

#include <netinet/in.h>

#include <cstdint>
#include <string>
#include <vector>

#include "bench/relay/TrafficPath.h"
#include "tools/tunnelserver/UniqueFd.h"

namespace ovix::bench {

struct TrafficOptions {
    sockaddr_in agentSip{};
    sockaddr_in agentRtp{};
    sockaddr_in farSip{};  // the stand-in forwards SIP here
    sockaddr_in farRtp{};  // the stand-in forwards RTP here
    bool hasSocat = false;
    sockaddr_in socatEntry{};  // socat's UDP listening end
    sockaddr_in socatFar{};    // socat's far UDP end sends here
    int durationSeconds = 60;
    int rate = 50;  // probes per second per direction in the latency phase
    double rampStepSeconds = 2.0;
    bool ramp = true;
    bool sipInLatencyPhase = true;  // one OPTIONS a second beside the RTP
};

class CTrafficTool {
public:
    explicit CTrafficTool(const TrafficOptions& options) : options_(options) {}
    // 0 on a complete run; non-zero when set-up or warm-up failed.
    int Run();

private:
    enum class Mode { kEcho, kSink };
    struct RampResult {
        int sustained = 0;
        int failedRate = 0;
        std::string why;
    };

    bool Open();
    bool WarmUp();
    void LatencyPhase();
    RampResult Ramp(bool outward, const std::vector<int>& rates);
    void ReportLatency() const;
    // Median extra delay of the second of two frames sent back to back, in one direction.
    double PairDelayMs(bool outward);

    void StartPhase(TrafficPath& path);
    void SendProbe(TrafficPath& path, bool fromFar);
    void SendSipProbe();
    // Handles arrivals until deadlineNs; while sendEveryNs > 0 it also sends on schedule
    // with send(sent-so-far) returning false when the schedule is over.
    template <typename SendDue>
    void Pump(int64_t deadlineNs, int64_t sendEveryNs, SendDue sendDue);
    void Drain(int64_t quietNs, int64_t maxNs);
    void HandleReadable(int fd);
    void OnNearProbe(TrafficPath& path);
    void OnFarProbe(TrafficPath& path);
    void OnFarSip();
    void OnNearSip();
    static void Record(TrafficPath& path, uint32_t sequence, int64_t latencyNs);

    TrafficOptions options_;
    Mode mode_ = Mode::kEcho;
    std::vector<TrafficPath> paths_;  // direct, agent, optionally socat
    TrafficPath* agent_ = nullptr;
    tools::CUniqueFd nearSip_;
    tools::CUniqueFd farSip_;
    uint32_t sipSequence_ = 0;
    uint32_t sipFirst_ = 0;
    uint32_t sipSent_ = 0;
    uint32_t sipAnswered_ = 0;
    CLatencySamples sipSamples_;
    int64_t lastArrivalNs_ = 0;
};

}  // namespace ovix::bench
