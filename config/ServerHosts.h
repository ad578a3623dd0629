// Every host the library hands out, one per role, in this one table. The names lie under the
// domains reserved for documentation and examples; a deployment changes them here only.
#pragma once

#include <string_view>

namespace ovix::config {

struct ServerHostTable {
    std::u16string_view imsRegion1;
    std::u16string_view imsRegion2;
    std::u16string_view imsRegion11;
    std::u16string_view imsRegion12;
    std::u16string_view webServerA;  // web portal of regions 1 and 2
    std::u16string_view webServerB;  // web portal of regions 11 and 12
    std::u16string_view sipProxy;    // regions 1 and 2, selected area codes
    std::u16string_view tunnelServer;
    std::u16string_view productSite;  // help pages
};

inline constexpr ServerHostTable kServerHosts{
    .imsRegion1 = u"ims1.example.net",
    .imsRegion2 = u"ims2.example.net",
    .imsRegion11 = u"ims11.example.net",
    .imsRegion12 = u"ims12.example.net",
    .webServerA = u"web-a.example.com",
    .webServerB = u"web-b.example.com",
    .sipProxy = u"sip-proxy.example.net",
    .tunnelServer = u"tunnel.example.net",
    .productSite = u"www.example.org",
};

}  // namespace ovix::config
