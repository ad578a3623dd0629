// Stand-in for the main client, which lies outside the suite.
//   Ovixmain [--log FILE]          window mode (see ClientMode.h)
//   Ovixmain --agent HOST[:PORT]   agent mode (see AgentMode.h)
#include <cstdio>
#include <cstring>
#include <string>

#include "tools/ovixmain/AgentMode.h"
#include "tools/ovixmain/ClientMode.h"

namespace {

int Usage() {
    std::fprintf(stderr,
                 "usage: Ovixmain [--log FILE]\n"
                 "       Ovixmain --agent HOST[:PORT] [...]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--agent") == 0) {
            return RunAgentMode(argc, argv);
        }
    }
    std::string logFile;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--log") == 0 && i + 1 < argc) {
            logFile = argv[++i];
        } else {
            return Usage();
        }
    }
    return ovix::tools::RunClientMode(logFile);
}
