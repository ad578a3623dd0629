#include "platform/net/LocalAddressList.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>

#include "agent/core/tests/SocketTestKit.h"

namespace ovix::platform {
namespace {

const agent::testing::PinLocalAddresses kPinned("127.0.0.1");

TEST(LocalAddressListTest, ParsesTheOverrideList) {
    EXPECT_EQ(ParseAddressList(" 10.0.0.1, 127.0.0.1,,192.168.1.20 "),
              (std::vector<std::string>{"10.0.0.1", "127.0.0.1", "192.168.1.20"}));
    EXPECT_TRUE(ParseAddressList("").empty());
    EXPECT_TRUE(ParseAddressList(" , ").empty());
}

TEST(LocalAddressListTest, PicksByIndex) {
    const std::vector<std::string> list{"a", "b", "c"};
    struct Case {
        int index;
        const char* expected;
    } cases[] = {{-1, "c"}, {0, "a"}, {2, "c"}, {3, ""}, {-2, ""}};
    for (const Case& c : cases) {
        EXPECT_EQ(PickAddress(list, c.index), c.expected) << c.index;
    }
    EXPECT_EQ(PickAddress({}, 0), "");
    EXPECT_EQ(PickAddress({}, -1), "");
}

TEST(LocalAddressListTest, ThisHostIsTheLoopbackRangeAndTheList) {
    EXPECT_EQ(LocalAddress(0), "127.0.0.1");
    EXPECT_EQ(LocalAddress(-1), "127.0.0.1");
    EXPECT_TRUE(IsLocalHostAddress(inet_addr("127.0.0.1")));
    EXPECT_TRUE(IsLocalHostAddress(inet_addr("127.8.9.10")));
    EXPECT_FALSE(IsLocalHostAddress(inet_addr("192.0.2.1")));
    EXPECT_FALSE(IsLocalHostAddress(inet_addr("128.0.0.1")));
}

}  // namespace
}  // namespace ovix::platform
