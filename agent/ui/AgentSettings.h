// The agent's settings file: an INI file named after the program in the settings folder,
// section "SipAgent", the tunnel server's host and port.
#pragma once

#include <string>

namespace ovix::agent {

struct AgentServerSettings {
    std::string address;      // "svraddr", default empty
    std::string port = "80";  // "svrport", as typed
};

// "<settings folder>/OvixAgent.ini"; empty without a settings folder.
std::string AgentSettingsPath();

AgentServerSettings ReadAgentSettings(const std::string& file);

// False when the file cannot be written.
bool WriteAgentSettings(const std::string& file, const AgentServerSettings& settings);

}  // namespace ovix::agent
