#include "tools/tunnelserver/TunnelServerOptions.h"

#include <string_view>

#include "tools/tunnelserver/SocketAddress.h"

namespace ovix::tools {

namespace {

constexpr uint16_t kDefaultTunnelPort = 80;

}  // namespace

const char* TunnelServerUsage() {
    return "usage: tunnelserver [--listen HOST[:PORT]] [--sip HOST:PORT] [--rtp HOST:PORT] "
           "[--echo]\n"
           "  --listen  TCP address for agents (default 0.0.0.0:80; port 0 picks a free one)\n"
           "  --sip     UDP address that receives the agents' SIP and answers it\n"
           "  --rtp     UDP address that receives the agents' RTP and answers it\n"
           "  --echo    send every SIP and RTP frame straight back to its agent\n"
           "SIGUSR1 prints the frame counts; SIGTERM or SIGINT prints them and ends.\n";
}

bool ParseTunnelServerOptions(int argc, char** argv, TunnelServerOptions& options,
                              std::string& error) {
    ParseHostPort("0.0.0.0", kDefaultTunnelPort, options.listen);
    for (int i = 1; i < argc; ++i) {
        const std::string_view option = argv[i];
        if (option == "--echo") {
            options.echo = true;
            continue;
        }
        sockaddr_in* target = nullptr;
        bool* present = nullptr;
        if (option == "--listen") {
            target = &options.listen;
        } else if (option == "--sip") {
            target = &options.sip;
            present = &options.hasSip;
        } else if (option == "--rtp") {
            target = &options.rtp;
            present = &options.hasRtp;
        } else {
            error = "unknown option " + std::string(option);
            return false;
        }
        if (i + 1 >= argc) {
            error = std::string(option) + " needs an address";
            return false;
        }
        const uint16_t defaultPort = target == &options.listen ? kDefaultTunnelPort : 0;
        if (!ParseHostPort(argv[++i], defaultPort, *target)) {
            error = "bad address " + std::string(argv[i]) + " for " + std::string(option);
            return false;
        }
        if (present != nullptr) {
            *present = true;
        }
    }
    return true;
}

}  // namespace ovix::tools
