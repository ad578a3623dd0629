#include "config/BstrSlot.h"

#include <gtest/gtest.h>

#include <string_view>

#include "config/tests/BstrText.h"

namespace ovix::config {
namespace {

using test::NewBstr;
using test::TextOf;

TEST(BstrSlot, JoinsPiecesIntoANullOrAnOccupiedSlot) {
    BSTR slot = nullptr;
    EXPECT_TRUE(StoreSlot(&slot, {u"http://", u"host", u"/path"}));
    EXPECT_EQ(TextOf(slot), u"http://host/path");
    EXPECT_EQ(slot[SysStringLen(slot)], 0);
    EXPECT_TRUE(StoreSlot(&slot, {u"ab", u"", u"c"}));
    EXPECT_EQ(TextOf(slot), u"abc");
    SysFreeString(slot);
}

TEST(BstrSlot, EmptyAnswersFreeAndLeaveNull) {
    BSTR slot = NewBstr(u"old");
    EXPECT_TRUE(StoreSlot(&slot, {}));
    EXPECT_EQ(slot, nullptr);
    slot = NewBstr(u"old");
    EXPECT_TRUE(StoreSlot(&slot, {u""}));
    EXPECT_EQ(slot, nullptr);
    slot = NewBstr(u"old");
    EXPECT_TRUE(StoreSlot(&slot, {u"", u""}));
    EXPECT_EQ(slot, nullptr);
    slot = NewBstr(u"old");
    EXPECT_TRUE(CopySlot(&slot, nullptr));
    EXPECT_EQ(slot, nullptr);
}

TEST(BstrSlot, CopyMayComeFromTheSlotItself) {
    BSTR slot = NewBstr(u"same");
    EXPECT_TRUE(CopySlot(&slot, slot));
    EXPECT_EQ(TextOf(slot), u"same");
    EXPECT_TRUE(StoreSlot(&slot, {std::u16string_view(slot + 2, 2)}));
    EXPECT_EQ(TextOf(slot), u"me");
    SysFreeString(slot);
}

TEST(BstrSlot, AnAnswerThatCannotBeAllocatedLeavesNullNotTheOldAnswer) {
    const char16_t tiny[] = u"x";
    // Lengths past the 32-bit byte count: refused before any text is read.
    const std::u16string_view huge(tiny, 0x80000000u);
    BSTR slot = NewBstr(u"previous answer");
    EXPECT_FALSE(StoreSlot(&slot, {u"http://", huge}));
    EXPECT_EQ(slot, nullptr);
    slot = NewBstr(u"previous answer");
    EXPECT_FALSE(StoreSlot(&slot, {huge}));
    EXPECT_EQ(slot, nullptr);
    slot = NewBstr(u"previous answer");
    EXPECT_FALSE(StoreSlot(&slot, {huge, huge, huge}));  // sum overflows 32 bits
    EXPECT_EQ(slot, nullptr);
}

}  // namespace
}  // namespace ovix::config
