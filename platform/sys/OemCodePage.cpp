#include "platform/sys/OemCodePage.h"

#include <cstdlib>
#include <string_view>

namespace ovix::platform {

namespace {

bool IsSet(const char* value) {
    return value != nullptr && *value != '\0';
}

unsigned FromLocaleName(std::string_view locale) {
    const std::string_view territory = locale.substr(0, locale.find_first_of(".@"));
    if (territory == "zh_CN" || territory == "zh_SG") {
        return kCodePageSimplifiedChinese;
    }
    if (territory == "zh_TW" || territory == "zh_HK" || territory == "zh_MO") {
        return kCodePageTraditionalChinese;
    }
    return kCodePageDefault;
}

}  // namespace

unsigned OemCodePageFrom(const char* oemcp, const char* lcAll, const char* lcMessages,
                         const char* lang) {
    if (IsSet(oemcp)) {
        char* end = nullptr;
        const unsigned long value = std::strtoul(oemcp, &end, 10);
        if (end != oemcp && *end == '\0' && value > 0 && value <= 65535) {
            return static_cast<unsigned>(value);
        }
    }
    for (const char* locale : {lcAll, lcMessages, lang}) {
        if (IsSet(locale)) {
            return FromLocaleName(locale);
        }
    }
    return kCodePageDefault;
}

unsigned OemCodePage() {
    return OemCodePageFrom(std::getenv("OVIX_OEMCP"), std::getenv("LC_ALL"),
                           std::getenv("LC_MESSAGES"), std::getenv("LANG"));
}

}  // namespace ovix::platform
