// agentdriver: runs the agent's relay core from the command line, without its window.
//
//   agentdriver --server HOST[:PORT]
//
// Starts the relay, prints "agent sip ADDRESS PORT" and "agent rtp ADDRESS PORT", then the
// core's log lines, and stops the relay when standard input closes or on SIGTERM/SIGINT.
#include <cstdio>
#include <cstring>
#include <string>

#include "agent/core/CSipAgent.h"
#include "tools/agentdriver/EndOfRun.h"
#include "tools/agentdriver/StdoutLogSink.h"

int main(int argc, char** argv) {
    if (argc != 3 || std::strcmp(argv[1], "--server") != 0) {
        const bool help = argc == 2 && std::strcmp(argv[1], "--help") == 0;
        std::fprintf(help ? stdout : stderr,
                     "usage: agentdriver --server HOST[:PORT]\n"
                     "Runs the relay until standard input closes or SIGTERM/SIGINT.\n");
        return help ? 0 : 2;
    }
    if (!ovix::tools::BlockEndSignals()) {
        return 1;
    }
    ovix::tools::CStdoutLogSink sink;
    {
        ovix::agent::CSipAgent core;
        core.SetLogSink(&sink);
        core.StartRelay(argv[2]);
        sink.Print("agent sip " + core.SipAddress() + " " + std::to_string(core.SipBoundPort()));
        sink.Print("agent rtp " + core.RtpAddress() + " " + std::to_string(core.RtpPort()));
        ovix::tools::WaitForEndOfRun();
        core.StopRelay();
        core.SetLogSink(nullptr);
    }
    sink.Print("agent stopped");
    return 0;
}
