#include "config/ImsWebAnswer.h"

#include "config/BstrSlot.h"
#include "config/ServiceRegion.h"
#include "config/WebPaths.h"

namespace ovix::config {
namespace {

constexpr BSTR TConfig_IMS_WEB::*kFields[] = {
    &TConfig_IMS_WEB::RegionNo,    &TConfig_IMS_WEB::IMSServer,
    &TConfig_IMS_WEB::WelcomeURL,  &TConfig_IMS_WEB::BindingURL,
    &TConfig_IMS_WEB::TelBookURL,  &TConfig_IMS_WEB::CardWebURL,
    &TConfig_IMS_WEB::RegisterURL, &TConfig_IMS_WEB::RegisterEndPath,
    &TConfig_IMS_WEB::VoipOrderURL};
static_assert(sizeof(kFields) / sizeof(kFields[0]) * sizeof(BSTR) == sizeof(TConfig_IMS_WEB));

}  // namespace

ImsWebAnswer::ImsWebAnswer(std::int32_t region) {
    const ServiceRegion* found = FindServiceRegion(region);
    if (found == nullptr) {
        StoreSlot(&record_.RegionNo, {kUnlistedRegionNo});
        return;
    }
    const std::u16string_view web = found->webHost;
    StoreSlot(&record_.RegionNo, {found->regionNo});
    StoreSlot(&record_.IMSServer, {found->imsHost});
    StoreSlot(&record_.WelcomeURL, {kWebScheme, web, kWelcomePath});
    StoreSlot(&record_.BindingURL, {kWebScheme, web, kBindingPath});
    StoreSlot(&record_.TelBookURL, {kWebScheme, web, kTelBookPath});
    StoreSlot(&record_.CardWebURL, {kWebScheme, web, kCardWebPath});
    StoreSlot(&record_.RegisterURL, {kWebScheme, web, kRegisterPath});
    StoreSlot(&record_.RegisterEndPath, {kRegisterEndPath});
    StoreSlot(&record_.VoipOrderURL, {kWebScheme, web, kVoipOrderPath});
}

ImsWebAnswer::~ImsWebAnswer() {
    for (const auto field : kFields) {
        ClearSlot(&(record_.*field));
    }
}

void ImsWebAnswer::CopyTo(TConfig_IMS_WEB* target) const {
    for (const auto field : kFields) {
        CopySlot(&(target->*field), record_.*field);
    }
}

}  // namespace ovix::config
