#include "config/ServiceRegion.h"

#include <algorithm>
#include <array>

#include "config/ServerHosts.h"

namespace ovix::config {
namespace {

constexpr AreaCodeRange kRegion1ProxyAreas[] = {{1, 2}, {11, 12}};

// 11 to 81 are the province-level division codes (mainland 11 to 65, then 71 and 81);
// 1, 2, 91 and 99 are served besides.
constexpr AreaCodeRange kRegion2ProxyAreas[] = {{1, 2},   {11, 15}, {21, 23}, {31, 37},
                                                {41, 46}, {50, 54}, {61, 65}, {71, 71},
                                                {81, 81}, {91, 91}, {99, 99}};

constexpr std::array kServiceRegions{
    ServiceRegion{1, u"001", kServerHosts.imsRegion1, kServerHosts.webServerA, kRegion1ProxyAreas},
    ServiceRegion{2, u"002", kServerHosts.imsRegion2, kServerHosts.webServerA, kRegion2ProxyAreas},
    ServiceRegion{11, u"011", kServerHosts.imsRegion11, kServerHosts.webServerB, {}},
    ServiceRegion{12, u"012", kServerHosts.imsRegion12, kServerHosts.webServerB, {}},
};

}  // namespace

const ServiceRegion* FindServiceRegion(std::int32_t code) {
    const auto found = std::find_if(kServiceRegions.begin(), kServiceRegions.end(),
                                    [code](const ServiceRegion& r) { return r.code == code; });
    return found == kServiceRegions.end() ? nullptr : &*found;
}

bool ProxyServesArea(std::int32_t region, std::int32_t areaCode) {
    const ServiceRegion* found = FindServiceRegion(region);
    if (found == nullptr) {
        return false;
    }
    return std::any_of(found->proxyAreas.begin(), found->proxyAreas.end(),
                       [areaCode](const AreaCodeRange& range) {
                           return areaCode >= range.first && areaCode <= range.last;
                       });
}

}  // namespace ovix::config
