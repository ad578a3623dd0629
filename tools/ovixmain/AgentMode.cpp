#include "tools/ovixmain/AgentMode.h"

#include <cstdio>

int RunAgentMode(int /*argc*/, char** /*argv*/) {
    std::fprintf(stderr, "Ovixmain: agent mode is not built yet\n");
    return 2;
}
