// Command line of the stand-in tunnel server.
#pragma once

#include <netinet/in.h>

#include <string>

namespace ovix::tools {

struct TunnelServerOptions {
    sockaddr_in listen{};  // TCP address the agents connect to (default 0.0.0.0:80)
    bool hasSip = false;   // where SIP payloads go as UDP datagrams
    sockaddr_in sip{};
    bool hasRtp = false;  // where RTP payloads go as UDP datagrams
    sockaddr_in rtp{};
    bool echo = false;  // send every SIP and RTP frame straight back instead
};

// False with a message in error on an unknown option or a bad address.
bool ParseTunnelServerOptions(int argc, char** argv, TunnelServerOptions& options,
                              std::string& error);

const char* TunnelServerUsage();

}  // namespace ovix::tools
