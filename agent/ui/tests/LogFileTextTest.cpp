#include "agent/ui/LogFileText.h"

#include <gtest/gtest.h>

namespace ovix::agent {
namespace {

TEST(LogFileText, NumbersFromOneWithTwoLineBreaksEach) {
    EXPECT_EQ(FormatLogFile({}), "");
    EXPECT_EQ(FormatLogFile({"c", "b\r\nx", "a"}), "1. c\r\n\r\n2. b\r\nx\r\n\r\n3. a\r\n\r\n");
}

}  // namespace
}  // namespace ovix::agent
