// faultproxy: a fault-injecting HTTP proxy on 127.0.0.1 for trying downloads by hand.
//
//   faultproxy --upstream PORT [STEP...] [--then STEP]
//
// Each STEP ("pass", "cut:N", "reset:N", "stall:N", "script:FILE") serves one connection, in
// order; "--then" serves every later one (default "pass"). Prints "listening 127.0.0.1:PORT"
// and runs until SIGINT or SIGTERM.
#include <signal.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "tools/faultproxy/FaultProxy.h"

namespace {

int Usage() {
    std::fprintf(stderr,
                 "usage: faultproxy --upstream PORT [STEP...] [--then STEP]\n"
                 "  STEP: pass | cut:N | reset:N | stall:N | script:FILE\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    using ovix::tools::FaultStep;
    ovix::tools::FaultPlan plan;
    int upstream = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--upstream" && i + 1 < argc) {
            upstream = std::atoi(argv[++i]);
        } else if (arg == "--then" && i + 1 < argc) {
            if (!ovix::tools::ParseFaultStep(argv[++i], &plan.afterwards)) {
                return Usage();
            }
        } else {
            FaultStep step;
            if (!ovix::tools::ParseFaultStep(arg, &step)) {
                return Usage();
            }
            plan.steps.push_back(step);
        }
    }
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    ovix::tools::CFaultProxy proxy(plan, upstream);
    if (!proxy.Start()) {
        std::fprintf(stderr, "faultproxy: cannot listen\n");
        return 1;
    }
    std::printf("listening 127.0.0.1:%d\n", proxy.Port());
    std::fflush(stdout);
    int signal = 0;
    sigwait(&stopSignals, &signal);
    proxy.Stop();
    return 0;
}
