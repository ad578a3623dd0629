// The five exports. They keep no state: every answer comes from the tables in
// ServerHosts.h, ServiceRegion.cpp and WebPaths.h.
#include "config/OvixConfig.h"

#include "config/BstrSlot.h"
#include "config/ImsWebAnswer.h"
#include "config/ServerHosts.h"
#include "config/ServiceRegion.h"
#include "config/WebPaths.h"

using namespace ovix::config;

extern "C" {

OVIX_CONFIG_API void OVIX_WINAPI GetPublicConfig(TConfig_PUBLIC* Config) {
    if (Config == nullptr) {
        return;
    }
    const std::u16string_view web = kServerHosts.webServerA;
    StoreSlot(&Config->WelcomeURL, {kWebScheme, web, kWelcomePath});
    StoreSlot(&Config->RegisterURL, {kWebScheme, web, kRegisterPath});
    StoreSlot(&Config->RegisterEndPath, {kRegisterEndPath});
    StoreSlot(&Config->HelpURL, {kWebScheme, kServerHosts.productSite, kHelpPath});
    ClearSlot(&Config->Reserved);
}

OVIX_CONFIG_API void OVIX_WINAPI GetSipTunnalServer(BSTR* Server) {
    if (Server != nullptr) {
        StoreSlot(Server, {kServerHosts.tunnelServer});
    }
}

OVIX_CONFIG_API void OVIX_WINAPI GetProxy(BSTR* Proxy, int32_t AreaCode, int32_t Region) {
    if (Proxy == nullptr) {
        return;
    }
    ClearSlot(Proxy);
    if (ProxyServesArea(Region, AreaCode)) {
        StoreSlot(Proxy, {kServerHosts.sipProxy});
    }
}

OVIX_CONFIG_API void OVIX_WINAPI GetIMS(BSTR* Server, int32_t Region) {
    if (Server == nullptr) {
        return;
    }
    const ServiceRegion* found = FindServiceRegion(Region);
    if (found == nullptr) {
        ClearSlot(Server);
    } else {
        StoreSlot(Server, {found->imsHost});
    }
}

OVIX_CONFIG_API void OVIX_WINAPI GetConfig(TConfig_IMS_WEB* Config, int32_t Region) {
    if (Config != nullptr) {
        ImsWebAnswer(Region).CopyTo(Config);
    }
}

}  // extern "C"
