#include "platform/sys/OemCodePage.h"

#include <gtest/gtest.h>

namespace ovix::platform {
namespace {

TEST(OemCodePageTest, EnvironmentThenLocaleDecides) {
    struct Case {
        const char* oemcp;
        const char* lcAll;
        const char* lcMessages;
        const char* lang;
        unsigned expected;
    } cases[] = {
        {"950", "zh_CN.UTF-8", nullptr, nullptr, 950},
        {"abc", "zh_CN.UTF-8", nullptr, nullptr, 936},  // not a number: the locale decides
        {"", nullptr, nullptr, "zh_TW.UTF-8", 950},
        {nullptr, nullptr, nullptr, "zh_SG", 936},
        {nullptr, nullptr, nullptr, "zh_HK.UTF-8", 950},
        {nullptr, nullptr, nullptr, "zh_MO", 950},
        {nullptr, "", "zh_CN.GB18030", "en_US.UTF-8", 936},  // first that is set wins
        {nullptr, "C", "zh_CN.UTF-8", nullptr, 437},
        {nullptr, nullptr, nullptr, "en_US.UTF-8", 437},
        {nullptr, nullptr, nullptr, nullptr, 437},
        {nullptr, nullptr, nullptr, "zh_CNX", 437},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(OemCodePageFrom(c.oemcp, c.lcAll, c.lcMessages, c.lang), c.expected)
            << (c.oemcp ? c.oemcp : "-") << " " << (c.lcAll ? c.lcAll : "-") << " "
            << (c.lang ? c.lang : "-");
    }
}

}  // namespace
}  // namespace ovix::platform
