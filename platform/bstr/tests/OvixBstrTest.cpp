#include "platform/bstr/OvixBstr.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string_view>

namespace {

std::uint32_t RecordedByteLength(BSTR text) {
    std::uint32_t bytes = 0;
    std::memcpy(&bytes, reinterpret_cast<const char*>(text) - sizeof bytes, sizeof bytes);
    return bytes;
}

std::u16string_view View(BSTR text) {
    return {text, SysStringLen(text)};
}

TEST(OvixBstr, BlockCarriesByteLengthTextAndTerminator) {
    const std::u16string_view text = u"host.example";
    BSTR s = SysAllocStringLen(text.data(), static_cast<unsigned>(text.size()));
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(RecordedByteLength(s), text.size() * 2);
    EXPECT_EQ(SysStringLen(s), text.size());
    EXPECT_EQ(View(s), text);
    EXPECT_EQ(s[text.size()], 0);
    SysFreeString(s);
}

TEST(OvixBstr, EmbeddedZeroCountsAndNullTextGivesZeroUnits) {
    const char16_t withZero[] = {u'a', 0, u'b'};
    BSTR s = SysAllocStringLen(withZero, 3);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(SysStringLen(s), 3u);
    EXPECT_EQ(View(s), std::u16string_view(withZero, 3));
    SysFreeString(s);

    BSTR blank = SysAllocStringLen(nullptr, 4);
    ASSERT_NE(blank, nullptr);
    EXPECT_EQ(View(blank), std::u16string_view(u"\0\0\0\0", 4));
    EXPECT_EQ(blank[4], 0);
    SysFreeString(blank);
}

TEST(OvixBstr, SysAllocStringStopsAtTheZero) {
    BSTR s = SysAllocString(u"abc");
    EXPECT_EQ(View(s), u"abc");
    SysFreeString(s);
    EXPECT_EQ(SysAllocString(nullptr), nullptr);
}

TEST(OvixBstr, NullIsTheEmptyValue) {
    EXPECT_EQ(SysStringLen(nullptr), 0u);
    SysFreeString(nullptr);  // must not crash
}

TEST(OvixBstr, LengthsBeyondThe32BitByteCountAreRefused) {
    EXPECT_EQ(SysAllocStringLen(nullptr, 0x80000000u), nullptr);
    EXPECT_EQ(SysAllocStringLen(nullptr, 0xFFFFFFFFu), nullptr);
    BSTR slot = SysAllocString(u"keep");
    EXPECT_EQ(SysReAllocStringLen(&slot, nullptr, 0xFFFFFFFFu), 0);
    EXPECT_EQ(View(slot), u"keep");  // a failed reallocation leaves the slot as it was
    SysFreeString(slot);
}

TEST(OvixBstr, ReallocReplacesNullAndExistingSlots) {
    BSTR slot = nullptr;
    ASSERT_EQ(SysReAllocStringLen(&slot, u"first", 5), 1);
    EXPECT_EQ(View(slot), u"first");
    ASSERT_EQ(SysReAllocStringLen(&slot, u"a longer second", 15), 1);
    EXPECT_EQ(View(slot), u"a longer second");
    ASSERT_EQ(SysReAllocStringLen(&slot, u"x", 1), 1);
    EXPECT_EQ(View(slot), u"x");
    EXPECT_EQ(RecordedByteLength(slot), 2u);
    SysFreeString(slot);
}

TEST(OvixBstr, ReallocFromTextInsideTheSlotItself) {
    BSTR slot = SysAllocString(u"prefix-body");
    ASSERT_EQ(SysReAllocStringLen(&slot, slot + 7, 4), 1);
    EXPECT_EQ(View(slot), u"body");
    ASSERT_EQ(SysReAllocStringLen(&slot, slot, 2), 1);
    EXPECT_EQ(View(slot), u"bo");
    SysFreeString(slot);
}

TEST(OvixBstr, ReallocWithoutTextKeepsThePrefixAndZeroFills) {
    BSTR slot = SysAllocString(u"abcdef");
    ASSERT_EQ(SysReAllocStringLen(&slot, nullptr, 3), 1);
    EXPECT_EQ(View(slot), u"abc");
    ASSERT_EQ(SysReAllocStringLen(&slot, nullptr, 5), 1);
    EXPECT_EQ(View(slot), std::u16string_view(u"abc\0\0", 5));
    SysFreeString(slot);
}

TEST(OvixBstr, ReallocWithoutSlotFails) {
    EXPECT_EQ(SysReAllocStringLen(nullptr, u"a", 1), 0);
}

}  // namespace
