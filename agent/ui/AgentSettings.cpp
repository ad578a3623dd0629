#include "agent/ui/AgentSettings.h"

#include "common/MainClientContract.h"
#include "platform/sys/ProfileFile.h"
#include "platform/sys/SettingsFolder.h"

namespace ovix::agent {

namespace {

constexpr std::string_view kSection = "SipAgent";
constexpr std::string_view kAddressKey = "svraddr";
constexpr std::string_view kPortKey = "svrport";

}  // namespace

std::string AgentSettingsPath() {
    const std::string folder = platform::SettingsFolder();
    if (folder.empty()) {
        return {};
    }
    return folder + "/" + std::string(contract::kAgentProgram) + ".ini";
}

AgentServerSettings ReadAgentSettings(const std::string& file) {
    AgentServerSettings settings;
    if (file.empty()) {
        return settings;
    }
    settings.address = platform::GetProfileString(file, kSection, kAddressKey, "");
    settings.port = platform::GetProfileString(file, kSection, kPortKey, "80");
    return settings;
}

bool WriteAgentSettings(const std::string& file, const AgentServerSettings& settings) {
    if (file.empty()) {
        return false;
    }
    const bool address =
        platform::WriteProfileString(file, kSection, kAddressKey, settings.address);
    const bool port = platform::WriteProfileString(file, kSection, kPortKey, settings.port);
    return address && port;
}

}  // namespace ovix::agent
