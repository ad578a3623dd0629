// The table of service regions: which IMS server and web server each region uses and which
// area codes its SIP proxy serves.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace ovix::config {

// Inclusive range of area codes.
struct AreaCodeRange {
    std::int32_t first;
    std::int32_t last;
};

struct ServiceRegion {
    std::int32_t code;
    std::u16string_view regionNo;  // three-digit text of the code
    std::u16string_view imsHost;
    std::u16string_view webHost;
    std::span<const AreaCodeRange> proxyAreas;  // empty: the region has no proxy
};

// The RegionNo text of a region that is not in the table.
inline constexpr std::u16string_view kUnlistedRegionNo = u"0";

// The region with exactly this code, or null.
const ServiceRegion* FindServiceRegion(std::int32_t code);

// Whether the region's SIP proxy serves the area code; false for an unlisted region.
bool ProxyServesArea(std::int32_t region, std::int32_t areaCode);

}  // namespace ovix::config
