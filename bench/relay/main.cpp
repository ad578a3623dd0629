// relaytraffic: the relay benchmark's traffic tool (see bench/relay/run.sh).
#include <arpa/inet.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "bench/relay/TrafficTool.h"
#include "tools/tunnelserver/SocketAddress.h"

namespace {

const char kUsage[] =
    "usage: relaytraffic --agent-sip HOST:PORT --agent-rtp HOST:PORT --far-sip HOST:PORT\n"
    "                    --far-rtp HOST:PORT [--socat-entry HOST:PORT --socat-far HOST:PORT]\n"
    "                    [--duration SECONDS] [--rate PER_SECOND] [--ramp-step SECONDS]\n"
    "                    [--no-ramp] [--no-sip]\n"
    "All addresses must be on 127.0.0.0/8.\n";

bool IsLoopback(const sockaddr_in& address) {
    return (ntohl(address.sin_addr.s_addr) >> 24) == 127;
}

}  // namespace

int main(int argc, char** argv) {
    ovix::bench::TrafficOptions options;
    int required = 0;
    bool socatEntry = false;
    bool socatFar = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view option = argv[i];
        if (option == "--no-ramp") {
            options.ramp = false;
            continue;
        }
        if (option == "--no-sip") {
            options.sipInLatencyPhase = false;
            continue;
        }
        if (i + 1 >= argc) {
            std::fprintf(stderr, "%s", kUsage);
            return 2;
        }
        const char* value = argv[++i];
        sockaddr_in* address = nullptr;
        if (option == "--agent-sip") {
            address = &options.agentSip;
            ++required;
        } else if (option == "--agent-rtp") {
            address = &options.agentRtp;
            ++required;
        } else if (option == "--far-sip") {
            address = &options.farSip;
            ++required;
        } else if (option == "--far-rtp") {
            address = &options.farRtp;
            ++required;
        } else if (option == "--socat-entry") {
            address = &options.socatEntry;
            socatEntry = true;
        } else if (option == "--socat-far") {
            address = &options.socatFar;
            socatFar = true;
        } else if (option == "--duration") {
            options.durationSeconds = std::atoi(value);
        } else if (option == "--rate") {
            options.rate = std::atoi(value);
        } else if (option == "--ramp-step") {
            options.rampStepSeconds = std::atof(value);
        } else {
            std::fprintf(stderr, "relaytraffic: unknown option %s\n%s", argv[i - 1], kUsage);
            return 2;
        }
        if (address != nullptr &&
            (!ovix::tools::ParseHostPort(value, 0, *address) || !IsLoopback(*address))) {
            std::fprintf(stderr, "relaytraffic: %s is not a loopback HOST:PORT\n", value);
            return 2;
        }
    }
    options.hasSocat = socatEntry && socatFar;
    if (required != 4 || socatEntry != socatFar || options.durationSeconds < 1 ||
        options.rate < 1 || options.rampStepSeconds < 0.2) {
        std::fprintf(stderr, "%s", kUsage);
        return 2;
    }
    ovix::bench::CTrafficTool tool(options);
    return tool.Run();
}
