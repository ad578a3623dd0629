// Stand-in tunnel server for running and testing the agent on one machine.
#include <cstdio>
#include <string>

#include "tools/tunnelserver/TunnelServer.h"
#include "tools/tunnelserver/TunnelServerOptions.h"

int main(int argc, char** argv) {
    if (argc == 2 && (std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h")) {
        std::fputs(ovix::tools::TunnelServerUsage(), stdout);
        return 0;
    }
    ovix::tools::TunnelServerOptions options;
    std::string error;
    if (!ovix::tools::ParseTunnelServerOptions(argc, argv, options, error)) {
        std::fprintf(stderr, "tunnelserver: %s\n%s", error.c_str(),
                     ovix::tools::TunnelServerUsage());
        return 2;
    }
    ovix::tools::CTunnelServer server(options);
    return server.Run();
}
