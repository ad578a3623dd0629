#include "updater/app/DisplayChoice.h"

#include <gtest/gtest.h>

namespace ovix::updater {
namespace {

TEST(DisplayChoice, AWindowNeedsADisplayOrAChosenPlatform) {
    EXPECT_FALSE(HasDisplay(nullptr, nullptr, nullptr));
    EXPECT_FALSE(HasDisplay("", "", ""));
#if defined(OVIX_UPDATER_WIDGETS)
    EXPECT_TRUE(HasDisplay(":0", nullptr, nullptr));
    EXPECT_TRUE(HasDisplay(nullptr, "wayland-0", nullptr));
    EXPECT_TRUE(HasDisplay(nullptr, nullptr, "offscreen"));
#endif
}

}  // namespace
}  // namespace ovix::updater
