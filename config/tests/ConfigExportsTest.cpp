// The five exports as the main client calls them, through the public header and the shared
// library. Leaks and use of freed slots show up under the asan preset.
#include <gtest/gtest.h>

#include <climits>
#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "config/OvixConfig.h"
#include "config/ServerHosts.h"
#include "config/tests/BstrText.h"

namespace ovix::config {
namespace {

using test::Narrow;
using test::NewBstr;
using test::TextOf;

// Slots that already hold strings, so every call must free or reuse them.
TConfig_IMS_WEB PrefilledImsWeb() {
    return {NewBstr(u"stale-1"), NewBstr(u"stale-2"), NewBstr(u"stale-3"),
            NewBstr(u"stale-4"), NewBstr(u"stale-5"), NewBstr(u"stale-6"),
            NewBstr(u"stale-7"), NewBstr(u"stale-8"), NewBstr(u"stale-9")};
}

std::vector<std::u16string> Fields(const TConfig_IMS_WEB& r) {
    return {TextOf(r.RegionNo),    TextOf(r.IMSServer),       TextOf(r.WelcomeURL),
            TextOf(r.BindingURL),  TextOf(r.TelBookURL),      TextOf(r.CardWebURL),
            TextOf(r.RegisterURL), TextOf(r.RegisterEndPath), TextOf(r.VoipOrderURL)};
}

void Free(TConfig_IMS_WEB& r) {
    for (BSTR* slot : {&r.RegionNo, &r.IMSServer, &r.WelcomeURL, &r.BindingURL, &r.TelBookURL,
                       &r.CardWebURL, &r.RegisterURL, &r.RegisterEndPath, &r.VoipOrderURL}) {
        SysFreeString(*slot);
        *slot = nullptr;
    }
}

std::vector<std::u16string> ExpectedImsWeb(std::u16string regionNo, std::u16string_view ims,
                                           std::u16string_view webHost) {
    const std::u16string web = u"http://" + std::u16string(webHost);
    return {regionNo,
            std::u16string(ims),
            web + u"/ovixweb/Welcome.do",
            web + u"/Binding/login.html?command=binding&password=",
            web + u"/Telephone/login.html?command=telbook&ovixid=",
            web + u"/CardWeb/index.do?ovixid=",
            web + u"/ovixweb/NewRegister.do",
            u"/ovixweb/register/End.jsp",
            web + u"/Binding/createvoiporder.html"};
}

TEST(ConfigRecords, FieldOffsetsAreConsecutiveSlots) {
    // 4-byte slots on a 32-bit build (checked by the 32-bit header test), 8-byte here.
    constexpr std::size_t kSlot = sizeof(void*);
    EXPECT_EQ(sizeof(BSTR), kSlot);
    const std::size_t imsWeb[] = {
        offsetof(TConfig_IMS_WEB, RegionNo),    offsetof(TConfig_IMS_WEB, IMSServer),
        offsetof(TConfig_IMS_WEB, WelcomeURL),  offsetof(TConfig_IMS_WEB, BindingURL),
        offsetof(TConfig_IMS_WEB, TelBookURL),  offsetof(TConfig_IMS_WEB, CardWebURL),
        offsetof(TConfig_IMS_WEB, RegisterURL), offsetof(TConfig_IMS_WEB, RegisterEndPath),
        offsetof(TConfig_IMS_WEB, VoipOrderURL)};
    for (std::size_t i = 0; i < 9; ++i) {
        EXPECT_EQ(imsWeb[i], i * kSlot) << "field " << i + 1;
    }
    EXPECT_EQ(sizeof(TConfig_IMS_WEB), 9 * kSlot);
    const std::size_t publicRecord[] = {
        offsetof(TConfig_PUBLIC, WelcomeURL), offsetof(TConfig_PUBLIC, RegisterURL),
        offsetof(TConfig_PUBLIC, RegisterEndPath), offsetof(TConfig_PUBLIC, HelpURL),
        offsetof(TConfig_PUBLIC, Reserved)};
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(publicRecord[i], i * kSlot) << "field " << i + 1;
    }
    EXPECT_EQ(sizeof(TConfig_PUBLIC), 5 * kSlot);
}

TEST(ServerHosts, OneDistinctHostPerRoleUnderDocumentationDomains) {
    const std::u16string_view hosts[] = {
        kServerHosts.imsRegion1,  kServerHosts.imsRegion2,   kServerHosts.imsRegion11,
        kServerHosts.imsRegion12, kServerHosts.webServerA,   kServerHosts.webServerB,
        kServerHosts.sipProxy,    kServerHosts.tunnelServer, kServerHosts.productSite};
    std::set<std::u16string_view> distinct;
    for (const std::u16string_view host : hosts) {
        distinct.insert(host);
        const bool reserved = host.ends_with(u".example.com") || host.ends_with(u".example.net") ||
                              host.ends_with(u".example.org") || host.ends_with(u".example");
        EXPECT_TRUE(reserved) << Narrow(host);
    }
    EXPECT_EQ(distinct.size(), std::size(hosts));
}

struct RegionCase {
    std::int32_t region;
    std::u16string regionNo;
    std::u16string_view ims;
    std::u16string_view web;
};

TEST(GetConfig, FillsEveryFieldOfTheListedRegions) {
    const RegionCase cases[] = {
        {1, u"001", kServerHosts.imsRegion1, kServerHosts.webServerA},
        {2, u"002", kServerHosts.imsRegion2, kServerHosts.webServerA},
        {11, u"011", kServerHosts.imsRegion11, kServerHosts.webServerB},
        {12, u"012", kServerHosts.imsRegion12, kServerHosts.webServerB},
    };
    for (const RegionCase& c : cases) {
        SCOPED_TRACE(c.region);
        TConfig_IMS_WEB fresh{};
        GetConfig(&fresh, c.region);
        EXPECT_EQ(Fields(fresh), ExpectedImsWeb(c.regionNo, c.ims, c.web));
        TConfig_IMS_WEB reused = PrefilledImsWeb();
        GetConfig(&reused, c.region);
        EXPECT_EQ(Fields(reused), Fields(fresh));
        Free(fresh);
        Free(reused);
    }
}

TEST(GetConfig, RegionsSharingAWebServerDifferOnlyInNumberAndIms) {
    for (const auto& [first, second] : {std::pair{1, 2}, std::pair{11, 12}}) {
        TConfig_IMS_WEB a{};
        TConfig_IMS_WEB b{};
        GetConfig(&a, first);
        GetConfig(&b, second);
        const auto fa = Fields(a);
        const auto fb = Fields(b);
        EXPECT_NE(fa[0], fb[0]);
        EXPECT_NE(fa[1], fb[1]);
        EXPECT_EQ(std::vector(fa.begin() + 2, fa.end()), std::vector(fb.begin() + 2, fb.end()));
        Free(a);
        Free(b);
    }
}

TEST(GetConfig, UnlistedRegionsGiveZeroAndFreeTheOtherFields) {
    for (const std::int32_t region : {0, 3, 13, -1, 10, 100, INT_MIN, INT_MAX}) {
        SCOPED_TRACE(region);
        TConfig_IMS_WEB record = PrefilledImsWeb();
        GetConfig(&record, region);
        EXPECT_EQ(TextOf(record.RegionNo), u"0");
        EXPECT_EQ(record.IMSServer, nullptr);
        EXPECT_EQ(record.WelcomeURL, nullptr);
        EXPECT_EQ(record.BindingURL, nullptr);
        EXPECT_EQ(record.TelBookURL, nullptr);
        EXPECT_EQ(record.CardWebURL, nullptr);
        EXPECT_EQ(record.RegisterURL, nullptr);
        EXPECT_EQ(record.RegisterEndPath, nullptr);
        EXPECT_EQ(record.VoipOrderURL, nullptr);
        Free(record);
    }
}

TEST(GetIMS, AnswersTheRegionsHostAndFreesForOthers) {
    const std::pair<std::int32_t, std::u16string_view> cases[] = {{1, kServerHosts.imsRegion1},
                                                                  {2, kServerHosts.imsRegion2},
                                                                  {11, kServerHosts.imsRegion11},
                                                                  {12, kServerHosts.imsRegion12},
                                                                  {0, u""},
                                                                  {3, u""},
                                                                  {13, u""},
                                                                  {-1, u""},
                                                                  {INT_MIN, u""}};
    BSTR slot = NewBstr(u"stale");
    for (const auto& [region, expected] : cases) {
        GetIMS(&slot, region);
        EXPECT_EQ(TextOf(slot), expected) << region;
        if (expected.empty()) {
            EXPECT_EQ(slot, nullptr) << region;  // empty is null, never a zero-length string
            slot = NewBstr(u"stale");
        }
    }
    SysFreeString(slot);
}

// Area codes the proxy serves, written out as lists rather than computed like the library.
bool ListedForRegion1(int code) {
    return code == 1 || code == 2 || code == 11 || code == 12;
}

bool ListedForRegion2(int code) {
    static const std::set<int> kListed = {1,  2,  11, 12, 13, 14, 15, 21, 22, 23, 31, 32, 33,
                                          34, 35, 36, 37, 41, 42, 43, 44, 45, 46, 50, 51, 52,
                                          53, 54, 61, 62, 63, 64, 65, 71, 81, 91, 99};
    return kListed.count(code) != 0;
}

TEST(GetProxy, EveryAreaCodeFromMinusOneToHundredForEachRegion) {
    struct Case {
        std::int32_t region;
        bool (*listed)(int);
    };
    const Case cases[] = {{1, ListedForRegion1},
                          {2, ListedForRegion2},
                          {11, [](int) { return false; }},
                          {12, [](int) { return false; }}};
    const std::u16string proxy(kServerHosts.sipProxy);
    for (const Case& c : cases) {
        BSTR slot = NewBstr(u"stale");
        int served = 0;
        for (std::int32_t area = -1; area <= 100; ++area) {
            GetProxy(&slot, area, c.region);
            if (c.listed(area)) {
                ++served;
                EXPECT_EQ(TextOf(slot), proxy) << "region " << c.region << " area " << area;
            } else {
                EXPECT_EQ(slot, nullptr) << "region " << c.region << " area " << area;
                slot = NewBstr(u"stale");  // next call must free this one
            }
        }
        EXPECT_EQ(served, c.region == 1 ? 4 : c.region == 2 ? 37 : 0);
        SysFreeString(slot);
    }
}

TEST(GetProxy, UnlistedRegionsAndExtremeCodesGiveNothing) {
    for (const std::int32_t region : {0, 3, 13, -1, INT_MIN, INT_MAX}) {
        for (const std::int32_t area : {1, 2, 11, 99, INT_MIN, INT_MAX}) {
            BSTR slot = NewBstr(u"stale");
            GetProxy(&slot, area, region);
            EXPECT_EQ(slot, nullptr) << "region " << region << " area " << area;
        }
    }
    for (const std::int32_t region : {1, 2}) {
        BSTR slot = nullptr;
        GetProxy(&slot, INT_MIN, region);
        EXPECT_EQ(slot, nullptr);
        GetProxy(&slot, INT_MAX, region);
        EXPECT_EQ(slot, nullptr);
    }
}

TEST(GetPublicConfig, FillsTheFourAddressesAndEmptiesReserved) {
    const std::u16string webA = u"http://" + std::u16string(kServerHosts.webServerA);
    const std::u16string help =
        u"http://" + std::u16string(kServerHosts.productSite) + u"/HelpForOvix.html";
    for (const bool prefilled : {false, true}) {
        TConfig_PUBLIC record{};
        if (prefilled) {
            record = {NewBstr(u"a"), NewBstr(u"b"), NewBstr(u"c"), NewBstr(u"d"), NewBstr(u"e")};
        }
        GetPublicConfig(&record);
        EXPECT_EQ(TextOf(record.WelcomeURL), webA + u"/ovixweb/Welcome.do");
        EXPECT_EQ(TextOf(record.RegisterURL), webA + u"/ovixweb/NewRegister.do");
        EXPECT_EQ(TextOf(record.RegisterEndPath), u"/ovixweb/register/End.jsp");
        EXPECT_EQ(TextOf(record.HelpURL), help);
        EXPECT_EQ(record.Reserved, nullptr);
        for (BSTR s :
             {record.WelcomeURL, record.RegisterURL, record.RegisterEndPath, record.HelpURL}) {
            SysFreeString(s);
        }
    }
}

TEST(GetSipTunnalServer, SameHostForEveryCallReusingTheSlot) {
    BSTR slot = nullptr;
    GetSipTunnalServer(&slot);
    EXPECT_EQ(TextOf(slot), kServerHosts.tunnelServer);
    GetSipTunnalServer(&slot);
    EXPECT_EQ(TextOf(slot), kServerHosts.tunnelServer);
    SysFreeString(slot);
}

TEST(Exports, RepeatedCallsOnTheSameSlotsLeaveOnlyTheLastAnswer) {
    // Alternating answers of different lengths and emptiness on one record and one slot;
    // the leak checker sees any string that was not freed or reused.
    TConfig_IMS_WEB record{};
    BSTR slot = nullptr;
    for (const std::int32_t region : {1, 11, 0, 2, 12, 0, 0, 1}) {
        GetConfig(&record, region);
        GetIMS(&slot, region);
        GetProxy(&slot, 13, region);
    }
    EXPECT_EQ(Fields(record),
              ExpectedImsWeb(u"001", kServerHosts.imsRegion1, kServerHosts.webServerA));
    EXPECT_EQ(slot, nullptr);  // region 1 does not serve area 13
    Free(record);
}

TEST(Exports, NullSlotOrRecordPointersAreIgnored) {
    GetPublicConfig(nullptr);
    GetSipTunnalServer(nullptr);
    GetProxy(nullptr, 1, 1);
    GetIMS(nullptr, 1);
    GetConfig(nullptr, 1);
    SUCCEED();
}

TEST(Exports, ConcurrentCallersWithTheirOwnSlots) {
    std::vector<std::thread> callers;
    std::vector<int> mismatches(4, 0);
    for (int t = 0; t < 4; ++t) {
        callers.emplace_back([t, &mismatches] {
            const std::int32_t region = t % 2 == 0 ? 2 : 12;
            const auto expected =
                t % 2 == 0
                    ? ExpectedImsWeb(u"002", kServerHosts.imsRegion2, kServerHosts.webServerA)
                    : ExpectedImsWeb(u"012", kServerHosts.imsRegion12, kServerHosts.webServerB);
            TConfig_IMS_WEB record{};
            BSTR proxy = nullptr;
            for (int i = 0; i < 200; ++i) {
                GetConfig(&record, region);
                GetProxy(&proxy, 13, region);
                const bool proxyOk = (region == 2) == (proxy != nullptr);
                if (Fields(record) != expected || !proxyOk) {
                    ++mismatches[t];
                }
            }
            Free(record);
            SysFreeString(proxy);
        });
    }
    for (std::thread& caller : callers) {
        caller.join();
    }
    EXPECT_EQ(mismatches, std::vector<int>(4, 0));
}

}  // namespace
}  // namespace ovix::config
