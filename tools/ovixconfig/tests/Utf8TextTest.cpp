#include "tools/ovixconfig/Utf8Text.h"

#include <gtest/gtest.h>

#include <string>

namespace ovix::tools {
namespace {

TEST(Utf8FromBstr, EncodesEveryRangeAndReplacesLoneSurrogates) {
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
        BSTR s = SysAllocStringLen(c.text.data(), static_cast<unsigned>(c.text.size()));
        EXPECT_EQ(Utf8FromBstr(s), c.utf8);
        SysFreeString(s);
    }
    EXPECT_EQ(Utf8FromBstr(nullptr), "");
}

}  // namespace
}  // namespace ovix::tools
