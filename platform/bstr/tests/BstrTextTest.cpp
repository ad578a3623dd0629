#include "platform/bstr/BstrText.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace ovix::platform {
namespace {

struct FreeBstr {
    void operator()(OLECHAR* text) const { SysFreeString(text); }
};
using OwnedBstr = std::unique_ptr<OLECHAR, FreeBstr>;

TEST(BstrText, Utf8AndBstrRoundTripIncludingChineseAndAstralText) {
    for (std::string text :
         {"", "127.0.0.1:8080", "启动 SIP 服务器成功", "\xf0\x9f\x98\x80 smile"}) {
        OwnedBstr bstr(BstrFromUtf8(text));
        ASSERT_NE(bstr, nullptr);
        EXPECT_EQ(Utf8FromBstr(bstr.get()), text);
    }
    OwnedBstr astral(BstrFromUtf8("\xf0\x9f\x98\x80"));
    ASSERT_EQ(SysStringLen(astral.get()), 2u);  // one surrogate pair
    EXPECT_EQ(astral.get()[0], 0xD83D);
    EXPECT_EQ(Utf8FromBstr(nullptr), "");
}

TEST(BstrText, Utf8FromBstrEncodesEveryRangeAndReplacesLoneSurrogates) {
    const struct {
        std::u16string text;
        std::string utf8;
    } cases[] = {
        {u"", ""},
        {u"http://a/b?c=", "http://a/b?c="},
        {u"\u00e9", "\xc3\xa9"},
        {u"\u4e2d\u6587", "\xe4\xb8\xad\xe6\x96\x87"},
        {u"\U0001F600", "\xf0\x9f\x98\x80"},
        {std::u16string(1, u'\xD800') + u"x", "\xef\xbf\xbdx"},
        {std::u16string(1, u'\xDC00'), "\xef\xbf\xbd"},
    };
    for (const auto& c : cases) {
        OwnedBstr bstr(SysAllocStringLen(c.text.data(), static_cast<unsigned>(c.text.size())));
        EXPECT_EQ(Utf8FromBstr(bstr.get()), c.utf8);
    }
}

TEST(BstrText, MalformedInputBecomesReplacementCharacters) {
    struct Case {
        std::string utf8;
        std::u16string units;
    };
    const Case cases[] = {
        {"a\xff"
         "b",
         u"a\xFFFD"
         "b"},                                    // not a lead byte
        {"\xe5\x90", u"\xFFFD\xFFFD"},            // cut short at the end
        {"\xc0\xaf", u"\xFFFD\xFFFD"},            // overlong
        {"\xed\xa0\x80", u"\xFFFD\xFFFD\xFFFD"},  // an encoded surrogate
    };
    for (const auto& c : cases) {
        OwnedBstr bstr(BstrFromUtf8(c.utf8));
        ASSERT_NE(bstr, nullptr);
        EXPECT_EQ(std::u16string(bstr.get(), SysStringLen(bstr.get())), c.units);
    }
    const char16_t lone[] = {u'x', 0xDC00, u'y'};
    OwnedBstr unpaired(SysAllocStringLen(lone, 3));
    EXPECT_EQ(Utf8FromBstr(unpaired.get()), "x\xef\xbf\xbdy");
}

}  // namespace
}  // namespace ovix::platform
