// ovixconfig: prints what the configuration library answers for a region and an area code.
#include <cstdio>
#include <string>

#include "config/OvixConfig.h"
#include "platform/bstr/BstrText.h"
#include "tools/ovixconfig/ConfigQuery.h"

namespace {

// Prints NAME=VALUE, then frees the string and empties the slot.
void PrintAndFree(const char* name, BSTR& slot) {
    std::printf("%s=%s\n", name, ovix::platform::Utf8FromBstr(slot).c_str());
    SysFreeString(slot);
    slot = nullptr;
}

}  // namespace

int main(int argc, char** argv) {
    ovix::tools::ConfigQuery query;
    std::string error;
    if (!ovix::tools::ParseConfigQuery(argc, argv, query, error)) {
        std::fprintf(stderr, "ovixconfig: %s\n%s", error.c_str(), ovix::tools::ConfigQueryUsage());
        return 2;
    }
    if (query.help) {
        std::fputs(ovix::tools::ConfigQueryUsage(), stdout);
        return 0;
    }

    TConfig_IMS_WEB config{};
    GetConfig(&config, query.region);
    PrintAndFree("GetConfig.RegionNo", config.RegionNo);
    PrintAndFree("GetConfig.IMSServer", config.IMSServer);
    PrintAndFree("GetConfig.WelcomeURL", config.WelcomeURL);
    PrintAndFree("GetConfig.BindingURL", config.BindingURL);
    PrintAndFree("GetConfig.TelBookURL", config.TelBookURL);
    PrintAndFree("GetConfig.CardWebURL", config.CardWebURL);
    PrintAndFree("GetConfig.RegisterURL", config.RegisterURL);
    PrintAndFree("GetConfig.RegisterEndPath", config.RegisterEndPath);
    PrintAndFree("GetConfig.VoipOrderURL", config.VoipOrderURL);

    BSTR slot = nullptr;
    GetIMS(&slot, query.region);
    PrintAndFree("GetIMS", slot);
    GetProxy(&slot, query.areaCode, query.region);
    PrintAndFree("GetProxy", slot);
    GetSipTunnalServer(&slot);
    PrintAndFree("GetSipTunnalServer", slot);

    TConfig_PUBLIC pub{};
    GetPublicConfig(&pub);
    PrintAndFree("GetPublicConfig.WelcomeURL", pub.WelcomeURL);
    PrintAndFree("GetPublicConfig.RegisterURL", pub.RegisterURL);
    PrintAndFree("GetPublicConfig.RegisterEndPath", pub.RegisterEndPath);
    PrintAndFree("GetPublicConfig.HelpURL", pub.HelpURL);
    PrintAndFree("GetPublicConfig.Reserved", pub.Reserved);
    return std::fflush(stdout) == 0 ? 0 : 1;
}
