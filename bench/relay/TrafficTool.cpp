#include "bench/relay/TrafficTool.h"

#include <poll.h>
#include <sys/socket.h>

#include <cstdio>
#include <ctime>
#include <random>

#include "bench/relay/ProbePacket.h"
#include "bench/relay/SipProbe.h"
#include "platform/net/LoopbackAddress.h"
#include "tools/tunnelserver/SocketAddress.h"
#include "tools/tunnelserver/Sockets.h"

namespace ovix::bench {

namespace {

constexpr int64_t kMs = 1000000;
constexpr int64_t kSecond = 1000 * kMs;
// A delayed acknowledgement holds a TCP segment for about 40 ms.
constexpr int64_t kStallNs = 40 * kMs;
// A step passes when nothing was lost and its late median is within this of its early one.
constexpr double kGrowthLimitMs = 2.0;
constexpr int kSocketBuffer = 1 << 21;

tools::CUniqueFd OpenProbeSocket(const sockaddr_in& address) {
    tools::CUniqueFd fd = tools::OpenUdpSocket(address);
    if (fd.IsValid()) {
        setsockopt(fd.Get(), SOL_SOCKET, SO_RCVBUF, &kSocketBuffer, sizeof(kSocketBuffer));
        setsockopt(fd.Get(), SOL_SOCKET, SO_SNDBUF, &kSocketBuffer, sizeof(kSocketBuffer));
    }
    return fd;
}

void SendTo(int fd, const void* bytes, size_t length, const sockaddr_in& to) {
    sendto(fd, bytes, length, 0, reinterpret_cast<const sockaddr*>(&to), sizeof(to));
}

void Say(const char* format, auto... values) {
    std::printf(format, values...);
    std::fflush(stdout);
}

}  // namespace

int CTrafficTool::Run() {
    if (!Open()) {
        Say("relaytraffic: cannot open the probe sockets\n");
        return 1;
    }
    if (!WarmUp()) {
        return 1;
    }
    LatencyPhase();
    ReportLatency();
    const double pairOut = PairDelayMs(true);
    const double pairIn = PairDelayMs(false);
    Say("two frames back to back, extra delay of the second (median of 20 pairs): "
        "softphone->server %.3f ms, server->softphone %.3f ms\n",
        pairOut, pairIn);
    if (options_.ramp) {
        const RampResult out =
            Ramp(true, {50, 100, 200, 300, 400, 450, 500, 550, 600, 800, 1000, 1500, 2000});
        const RampResult in =
            Ramp(false, {25, 50, 75, 90, 100, 110, 125, 150, 200, 300, 500, 1000, 2000});
        Say("sustained rate softphone->server: %d frames/s (first failing step %d/s: %s)\n",
            out.sustained, out.failedRate, out.why.c_str());
        Say("sustained rate server->softphone: %d frames/s (first failing step %d/s: %s)\n",
            in.sustained, in.failedRate, in.why.c_str());
    }
    return 0;
}

bool CTrafficTool::Open() {
    const sockaddr_in any = platform::LoopbackAddress(0);
    paths_.reserve(3);
    auto addPath = [&](const char* name, const sockaddr_in& entry, const sockaddr_in& farBind) {
        TrafficPath& path = paths_.emplace_back();
        path.name = name;
        path.id = static_cast<uint8_t>(paths_.size());
        path.nearSocket = OpenProbeSocket(any);
        path.farSocket = OpenProbeSocket(farBind);
        path.entry = entry;
        return path.nearSocket.IsValid() && path.farSocket.IsValid();
    };
    bool ok = addPath("direct", any, any);
    paths_[0].entry = tools::LocalAddressOf(paths_[0].farSocket.Get());
    ok = addPath("agent", options_.agentRtp, options_.farRtp) && ok;
    if (options_.hasSocat) {
        ok = addPath("socat", options_.socatEntry, options_.socatFar) && ok;
    }
    agent_ = &paths_[1];
    nearSip_ = OpenProbeSocket(any);
    farSip_ = OpenProbeSocket(options_.farSip);
    return ok && nearSip_.IsValid() && farSip_.IsValid();
}

bool CTrafficTool::WarmUp() {
    // The agent drops the SIP datagram that opens its tunnel; retransmit as a softphone does.
    mode_ = Mode::kEcho;
    for (int attempt = 0; attempt < 40 && sipAnswered_ == 0; ++attempt) {
        SendSipProbe();
        Pump(NowNs() + 250 * kMs, 0, [](uint64_t) { return false; });
    }
    if (sipAnswered_ == 0) {
        Say("relaytraffic: no SIP answer came back through the agent\n");
        return false;
    }
    Say("warm-up: SIP answered after %u OPTIONS (the first opens the tunnel)\n", sipSent_);
    for (TrafficPath& path : paths_) {
        StartPhase(path);
    }
    for (int attempt = 0; attempt < 50; ++attempt) {
        bool all = true;
        for (TrafficPath& path : paths_) {
            if (path.phaseReceived == 0) {
                all = false;
                SendProbe(path, false);
            }
        }
        if (all) {
            return true;
        }
        Pump(NowNs() + 100 * kMs, 0, [](uint64_t) { return false; });
    }
    for (const TrafficPath& path : paths_) {
        if (path.phaseReceived == 0) {
            Say("relaytraffic: no RTP came back on path %s\n", path.name.c_str());
        }
    }
    return false;
}

void CTrafficTool::StartPhase(TrafficPath& path) {
    path.phaseFirst = path.nextSequence;
    path.phaseSent = 0;
    path.phaseReceived = 0;
    path.phaseSamples = CLatencySamples();
    path.latencyBySequence.clear();
    path.farArrivalBySequence.clear();
    path.outSamples = CLatencySamples();
    path.inSamples = CLatencySamples();
}

void CTrafficTool::Record(TrafficPath& path, uint32_t sequence, int64_t latencyNs) {
    ++path.phaseReceived;
    path.phaseSamples.Add(latencyNs);
    const size_t index = sequence - path.phaseFirst;
    if (index < path.latencyBySequence.size()) {
        path.latencyBySequence[index] = latencyNs;
    }
}

double CTrafficTool::PairDelayMs(bool outward) {
    constexpr int kPairs = 20;
    mode_ = Mode::kSink;
    StartPhase(*agent_);
    agent_->latencyBySequence.assign(2 * kPairs, -1);
    for (int pair = 0; pair < kPairs; ++pair) {
        SendProbe(*agent_, !outward);
        SendProbe(*agent_, !outward);
        Pump(NowNs() + 100 * kMs, 0, [](uint64_t) { return false; });
    }
    Drain(300 * kMs, 3 * kSecond);
    CLatencySamples extra;
    for (int pair = 0; pair < kPairs; ++pair) {
        const int64_t first = agent_->latencyBySequence[2 * pair];
        const int64_t second = agent_->latencyBySequence[2 * pair + 1];
        if (first >= 0 && second >= 0) {
            extra.Add(second - first);
        }
    }
    return extra.QuantileMs(0.5);
}

void CTrafficTool::SendProbe(TrafficPath& path, bool fromFar) {
    uint8_t datagram[kProbeSize];
    WriteProbe({path.id, path.nextSequence++, NowNs()}, datagram);
    if (fromFar) {
        SendTo(path.farSocket.Get(), datagram, sizeof(datagram), path.farPeer);
    } else {
        SendTo(path.nearSocket.Get(), datagram, sizeof(datagram), path.entry);
    }
    ++path.phaseSent;
}

void CTrafficTool::SendSipProbe() {
    const std::string text = BuildOptionsProbe(
        sipSequence_++, NowNs(), tools::FormatHostPort(tools::LocalAddressOf(nearSip_.Get())),
        tools::FormatHostPort(options_.agentSip));
    SendTo(nearSip_.Get(), text.data(), text.size(), options_.agentSip);
    ++sipSent_;
}

void CTrafficTool::LatencyPhase() {
    mode_ = Mode::kEcho;
    for (TrafficPath& path : paths_) {
        StartPhase(path);
        const size_t expected = static_cast<size_t>(options_.durationSeconds * options_.rate);
        path.phaseSamples.Reserve(expected);
        path.farArrivalBySequence.assign(expected + 16, -1);
    }
    sipFirst_ = sipSequence_;
    sipSent_ = 0;
    sipAnswered_ = 0;
    sipSamples_ = CLatencySamples();
    Say("latency phase: %d s, 172-byte RTP at %d/s each way on every path, %s\n",
        options_.durationSeconds, options_.rate,
        options_.sipInLatencyPhase ? "one SIP OPTIONS a second through the agent" : "no SIP");
    // Paths take turns within each period, so their probes never leave at the same instant.
    // The SIP probe leaves at a random moment of each second, as signalling does beside a
    // call's media; the fixed seed keeps runs comparable.
    const size_t pathCount = paths_.size();
    const int64_t period = kSecond / options_.rate;
    const int64_t start = NowNs();
    const int64_t end = start + static_cast<int64_t>(options_.durationSeconds) * kSecond;
    std::vector<int64_t> due(pathCount);
    for (size_t i = 0; i < pathCount; ++i) {
        due[i] = start + period * static_cast<int64_t>(i) / static_cast<int64_t>(pathCount);
    }
    std::mt19937_64 random(20261211);
    std::uniform_int_distribution<int64_t> withinSecond(0, kSecond - 1);
    int64_t sipSecond = 0;
    int64_t sipDue = start + withinSecond(random);
    constexpr int64_t kScheduleStep = 250000;  // 0.25 ms
    Pump(end, kScheduleStep, [&](uint64_t) {
        const int64_t now = NowNs();
        for (size_t i = 0; i < pathCount; ++i) {
            for (; due[i] <= now && due[i] < end; due[i] += period) {
                SendProbe(paths_[i], false);
            }
        }
        if (options_.sipInLatencyPhase && sipDue <= now && sipDue < end) {
            SendSipProbe();
            sipDue = start + ++sipSecond * kSecond + withinSecond(random);
        }
        return now < end;
    });
    Drain(500 * kMs, 3 * kSecond);
}

void CTrafficTool::ReportLatency() const {
    const TrafficPath& direct = paths_[0];
    Say("%-8s %7s %5s %10s %8s %8s %10s\n", "path", "probes", "lost", "median_ms", "p99_ms",
        "max_ms", "over_40ms");
    for (const TrafficPath& path : paths_) {
        Say("%-8s %7u %5u %10.3f %8.3f %8.3f %10zu\n", path.name.c_str(), path.phaseSent,
            path.phaseSent - path.phaseReceived, path.phaseSamples.QuantileMs(0.5),
            path.phaseSamples.QuantileMs(0.99), path.phaseSamples.MaxMs(),
            path.phaseSamples.CountAbove(kStallNs));
    }
    for (const TrafficPath& path : paths_) {
        Say("%-8s one way: softphone->far median %.3f p99 %.3f max %.3f ms; far->softphone "
            "median %.3f p99 %.3f max %.3f ms\n",
            path.name.c_str(), path.outSamples.QuantileMs(0.5), path.outSamples.QuantileMs(0.99),
            path.outSamples.MaxMs(), path.inSamples.QuantileMs(0.5),
            path.inSamples.QuantileMs(0.99), path.inSamples.MaxMs());
    }
    for (const TrafficPath& path : paths_) {
        if (&path == &direct) {
            continue;
        }
        Say("added round trip, %s over direct: median %.3f ms, p99 %.3f ms, max %.3f ms\n",
            path.name.c_str(),
            path.phaseSamples.QuantileMs(0.5) - direct.phaseSamples.QuantileMs(0.5),
            path.phaseSamples.QuantileMs(0.99) - direct.phaseSamples.QuantileMs(0.99),
            path.phaseSamples.MaxMs() - direct.phaseSamples.MaxMs());
    }
    Say("agent SIP OPTIONS: sent %u, answered %u, round trip median %.3f ms, p99 %.3f ms, max "
        "%.3f ms\n",
        sipSent_, sipAnswered_, sipSamples_.QuantileMs(0.5), sipSamples_.QuantileMs(0.99),
        sipSamples_.MaxMs());
}

CTrafficTool::RampResult CTrafficTool::Ramp(bool outward, const std::vector<int>& rates) {
    mode_ = Mode::kSink;
    RampResult result;
    const char* direction = outward ? "softphone->server" : "server->softphone";
    for (int rate : rates) {
        StartPhase(*agent_);
        const uint64_t count = static_cast<uint64_t>(rate * options_.rampStepSeconds);
        const int64_t every = kSecond / rate;
        Pump(NowNs() + static_cast<int64_t>(count) * every, every, [&](uint64_t tick) {
            if (tick >= count) {
                return false;
            }
            SendProbe(*agent_, !outward);
            return true;
        });
        Drain(300 * kMs, 10 * kSecond);
        const CLatencySamples& samples = agent_->phaseSamples;
        const uint32_t lost = agent_->phaseSent - agent_->phaseReceived;
        const double growth = samples.LateMedianMs() - samples.EarlyMedianMs();
        Say("ramp %s %5d/s: sent %u lost %u one-way median %.3f ms p99 %.3f ms max %.3f ms, "
            "late-early median %+.3f ms\n",
            direction, rate, agent_->phaseSent, lost, samples.QuantileMs(0.5),
            samples.QuantileMs(0.99), samples.MaxMs(), growth);
        if (lost > 0 || growth > kGrowthLimitMs) {
            result.failedRate = rate;
            char why[96];
            std::snprintf(why, sizeof(why), "lost %u, delay grew %.1f ms", lost, growth);
            result.why = why;
            Drain(1000 * kMs, 30 * kSecond);  // let the backlog empty before the next test
            return result;
        }
        result.sustained = rate;
    }
    result.why = "none failed";
    return result;
}

template <typename SendDue>
void CTrafficTool::Pump(int64_t deadlineNs, int64_t sendEveryNs, SendDue sendDue) {
    std::vector<pollfd> fds;
    for (const TrafficPath& path : paths_) {
        fds.push_back({path.nearSocket.Get(), POLLIN, 0});
        fds.push_back({path.farSocket.Get(), POLLIN, 0});
    }
    fds.push_back({nearSip_.Get(), POLLIN, 0});
    fds.push_back({farSip_.Get(), POLLIN, 0});
    bool sending = sendEveryNs > 0;
    uint64_t tick = 0;
    int64_t nextSend = NowNs();
    for (;;) {
        int64_t now = NowNs();
        while (sending && now >= nextSend) {
            sending = sendDue(tick++);
            nextSend += sendEveryNs;
        }
        if (now >= deadlineNs && !sending) {
            return;
        }
        const int64_t wakeAt = sending ? std::min(nextSend, deadlineNs) : deadlineNs;
        const int64_t waitNs = std::max<int64_t>(0, wakeAt - now);
        const timespec timeout = {static_cast<time_t>(waitNs / kSecond),
                                  static_cast<long>(waitNs % kSecond)};
        if (ppoll(fds.data(), fds.size(), &timeout, nullptr) <= 0) {
            continue;
        }
        for (const pollfd& entry : fds) {
            if ((entry.revents & POLLIN) != 0) {
                HandleReadable(entry.fd);
            }
        }
    }
}

void CTrafficTool::Drain(int64_t quietNs, int64_t maxNs) {
    const int64_t start = NowNs();
    lastArrivalNs_ = start;
    while (NowNs() - start < maxNs && NowNs() - lastArrivalNs_ < quietNs) {
        Pump(NowNs() + 50 * kMs, 0, [](uint64_t) { return false; });
    }
}

void CTrafficTool::HandleReadable(int fd) {
    if (fd == nearSip_.Get()) {
        OnNearSip();
    } else if (fd == farSip_.Get()) {
        OnFarSip();
    }
    for (TrafficPath& path : paths_) {
        if (fd == path.nearSocket.Get()) {
            OnNearProbe(path);
        } else if (fd == path.farSocket.Get()) {
            OnFarProbe(path);
        }
    }
}

void CTrafficTool::OnNearProbe(TrafficPath& path) {
    uint8_t datagram[2048];
    for (;;) {
        const ssize_t got = recv(path.nearSocket.Get(), datagram, sizeof(datagram), MSG_DONTWAIT);
        if (got < 0) {
            return;
        }
        const int64_t now = NowNs();
        lastArrivalNs_ = now;
        ProbeStamp stamp;
        if (ReadProbe(datagram, static_cast<size_t>(got), stamp) && stamp.path == path.id &&
            stamp.sequence >= path.phaseFirst) {
            Record(path, stamp.sequence, now - stamp.sentNs);
            const size_t index = stamp.sequence - path.phaseFirst;
            if (mode_ == Mode::kEcho && index < path.farArrivalBySequence.size() &&
                path.farArrivalBySequence[index] >= 0) {
                path.outSamples.Add(path.farArrivalBySequence[index] - stamp.sentNs);
                path.inSamples.Add(now - path.farArrivalBySequence[index]);
            }
        }
    }
}

void CTrafficTool::OnFarProbe(TrafficPath& path) {
    uint8_t datagram[2048];
    for (;;) {
        sockaddr_in from{};
        socklen_t fromLength = sizeof(from);
        const ssize_t got = recvfrom(path.farSocket.Get(), datagram, sizeof(datagram), MSG_DONTWAIT,
                                     reinterpret_cast<sockaddr*>(&from), &fromLength);
        if (got < 0) {
            return;
        }
        const int64_t now = NowNs();
        lastArrivalNs_ = now;
        path.farPeer = from;
        ProbeStamp stamp;
        if (mode_ == Mode::kEcho) {
            if (ReadProbe(datagram, static_cast<size_t>(got), stamp) && stamp.path == path.id &&
                stamp.sequence - path.phaseFirst < path.farArrivalBySequence.size()) {
                path.farArrivalBySequence[stamp.sequence - path.phaseFirst] = now;
            }
            SendTo(path.farSocket.Get(), datagram, static_cast<size_t>(got), from);
            continue;
        }
        if (ReadProbe(datagram, static_cast<size_t>(got), stamp) && stamp.path == path.id &&
            stamp.sequence >= path.phaseFirst) {
            Record(path, stamp.sequence, now - stamp.sentNs);
        }
    }
}

void CTrafficTool::OnFarSip() {
    char text[8193];
    for (;;) {
        sockaddr_in from{};
        socklen_t fromLength = sizeof(from);
        const ssize_t got = recvfrom(farSip_.Get(), text, sizeof(text) - 1, MSG_DONTWAIT,
                                     reinterpret_cast<sockaddr*>(&from), &fromLength);
        if (got < 0) {
            return;
        }
        lastArrivalNs_ = NowNs();
        const std::string answer = BuildOkAnswer(std::string(text, static_cast<size_t>(got)));
        if (!answer.empty()) {
            SendTo(farSip_.Get(), answer.data(), answer.size(), from);
        }
    }
}

void CTrafficTool::OnNearSip() {
    char text[8193];
    for (;;) {
        const ssize_t got = recv(nearSip_.Get(), text, sizeof(text) - 1, MSG_DONTWAIT);
        if (got < 0) {
            return;
        }
        const int64_t now = NowNs();
        lastArrivalNs_ = now;
        uint32_t sequence = 0;
        int64_t sentNs = 0;
        if (ReadOkAnswer(std::string(text, static_cast<size_t>(got)), sequence, sentNs) &&
            sequence >= sipFirst_) {
            ++sipAnswered_;
            sipSamples_.Add(now - sentNs);
        }
    }
}

}  // namespace ovix::bench
