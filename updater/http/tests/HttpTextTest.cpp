#include <string>

#include <gtest/gtest.h>

#include "updater/http/HttpDate.h"
#include "updater/http/HttpDownload.h"

namespace ovix::updater {
namespace {

TEST(ParseUrlTest, SplitsHttpUrlsAndRefusesTheRest) {
    struct Case {
        const char* url;
        bool ok;
        const char* host;
        const char* path;
        int port;
    };
    const Case cases[] = {
        {"http://h/x/a.bin", true, "h", "/x/a.bin", 80},
        {"  HTTP://Host:8080/p?q=1&r=/s  ", true, "Host", "/p?q=1&r=/s", 8080},
        {"http://127.0.0.1:1/", true, "127.0.0.1", "/", 1},
        {"http://h", false, "", "", 0},     // no path
        {"https://h/a", false, "", "", 0},  // another scheme
        {"ftp://h/a", false, "", "", 0},
        {"h/a", false, "", "", 0},               // no scheme
        {"http://h:80x/a", false, "", "", 0},    // port not a number
        {"http://h:70000/a", false, "", "", 0},  // port out of range
        {"http:///a", false, "", "", 0},         // no host
    };
    for (const Case& c : cases) {
        std::string host = "junk";
        std::string path = "junk";
        std::uint16_t port = 9;
        EXPECT_EQ(CHttpDownload::ParseUrl(c.url, &host, &path, &port), c.ok) << c.url;
        EXPECT_EQ(host, c.host) << c.url;
        EXPECT_EQ(path, c.path) << c.url;
        EXPECT_EQ(port, c.port) << c.url;
    }
}

TEST(ParseHttpDateTest, ReadsTheHttpDateFormInUtc) {
    struct Case {
        const char* text;
        std::int64_t instant;  // -1: not read
    };
    const Case cases[] = {
        {"sun, 06 nov 1994 08:49:37 gmt", 784111777},
        {"sun,06 nov 1994 08:49:37 gmt", 784111777},
        {"sun, 06 foo 1994 08:49:37 gmt", 757846177},  // unknown month: January
        {"thu, 01 jan 1970 00:00:00 gmt", 0},
        {"sun nov  6 08:49:37 1994", -1},  // asctime form: not read
        {"sun, 06", -1},                   // too short
    };
    for (const Case& c : cases) {
        const auto instant = ParseHttpDate(c.text);
        if (c.instant < 0) {
            EXPECT_FALSE(instant.has_value()) << c.text;
        } else {
            ASSERT_TRUE(instant.has_value()) << c.text;
            EXPECT_EQ(*instant, c.instant) << c.text;
        }
    }
}

}  // namespace
}  // namespace ovix::updater
