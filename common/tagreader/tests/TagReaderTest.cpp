#include "common/tagreader/TagReader.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace ovix::tagreader {
namespace {

constexpr const char* kLocalFile =
    "<upcontrol>\r\n  <patch version=\"12\"/>\r\n  <ovix>7</ovix>\r\n</upcontrol>\r\n";

struct LookupCase {
    const char* title;
    std::string doc;
    const char* path;
    int found;                         // FindElem's result
    const char* attribute;             // attribute asked for, or nullptr
    std::optional<std::string> value;  // its value, nothing when GetAttrib must fail
    std::string data;                  // GetData() afterwards
};

class TagReaderLookup : public testing::TestWithParam<LookupCase> {};

TEST_P(TagReaderLookup, FindsElementAttributeAndText) {
    const LookupCase& c = GetParam();
    CTagReader reader;
    reader.SetDoc(c.doc, "upcontrol");
    EXPECT_EQ(reader.FindElem(c.path), c.found);
    if (c.attribute != nullptr) {
        std::string value = "untouched";
        const int got = reader.GetAttrib(c.attribute, value);
        if (c.value) {
            EXPECT_EQ(got, 0);
            EXPECT_EQ(value, *c.value);
        } else {
            EXPECT_EQ(got, -1);
            EXPECT_EQ(value, "untouched");
        }
    }
    EXPECT_EQ(reader.GetData(), c.data);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TagReaderLookup,
    testing::Values(
        LookupCase{"typical local file: empty patch element closed by />", kLocalFile,
                   "upcontrol/patch", 0, "version", "12", ""},
        LookupCase{"element text", kLocalFile, "upcontrol/ovix", 0, nullptr, {}, "7"},
        LookupCase{"blank line first",
                   std::string("\r\n") + kLocalFile,
                   "upcontrol/patch",
                   -1,
                   "version",
                   {},
                   ""},
        LookupCase{"byte-order mark first",
                   std::string("\xEF\xBB\xBF") + kLocalFile,
                   "upcontrol/ovix",
                   -1,
                   nullptr,
                   {},
                   ""},
        LookupCase{"XML declaration first",
                   std::string("<?xml version=\"1.0\"?>\r\n") + kLocalFile,
                   "upcontrol/patch",
                   -1,
                   "version",
                   {},
                   ""},
        // "<patch" matches as a prefix, so the patches element wins; its first attribute's
        // name starts after the first character following the matched name.
        LookupCase{"patches before patch",
                   "<upcontrol><patches version=\"99\"/><patch version=\"12\"/></upcontrol>",
                   "upcontrol/patch", 0, "sversion", "99", ""},
        LookupCase{"patches before patch has no plain version",
                   "<upcontrol><patches version=\"99\"/><patch version=\"12\"/></upcontrol>",
                   "upcontrol/patch",
                   0,
                   "version",
                   {},
                   ""},
        LookupCase{"unquoted version=12: the 1 delimits and never closes",
                   "<upcontrol><patch version=12/></upcontrol>",
                   "upcontrol/patch",
                   -1,
                   "version",
                   {},
                   ""},
        LookupCase{"unquoted version=121 gives 2", "<upcontrol><patch version=121/></upcontrol>",
                   "upcontrol/patch", 0, "version", "2", ""},
        LookupCase{"any delimiter", "<upcontrol><patch version='5'/></upcontrol>",
                   "upcontrol/patch", 0, "version", "5", ""},
        LookupCase{"two attributes: first",
                   "<upcontrol><patch version=\"12\" level=\"3\"/></upcontrol>", "upcontrol/patch",
                   0, "version", "12", ""},
        LookupCase{"two attributes: second",
                   "<upcontrol><patch version=\"12\" level=\"3\"/></upcontrol>", "upcontrol/patch",
                   0, "level", "3", ""},
        LookupCase{"spaces dropped from a name", "<upcontrol><patch ver sion=\"4\"/></upcontrol>",
                   "upcontrol/patch", 0, "version", "4", ""},
        LookupCase{"tab stays in the second name",
                   "<upcontrol><patch version=\"12\"\tlevel=\"3\"/></upcontrol>", "upcontrol/patch",
                   0, "\tlevel", "3", ""},
        LookupCase{"line break stays in the second name",
                   "<upcontrol><patch version=\"12\"\r\nlevel=\"3\"/></upcontrol>",
                   "upcontrol/patch", 0, "\r\nlevel", "3", ""},
        LookupCase{"= right after the name fails",
                   "<upcontrol><patch=\"1\"/></upcontrol>",
                   "upcontrol/patch",
                   -1,
                   nullptr,
                   {},
                   ""},
        LookupCase{"text returned unchanged with blanks and line breaks",
                   "<upcontrol>\r\n<scontent>\r\n  line one\r\n  line two \r\n</scontent>\r\n"
                   "</upcontrol>",
                   "upcontrol/scontent",
                   0,
                   nullptr,
                   {},
                   "\r\n  line one\r\n  line two \r\n"},
        LookupCase{"Chinese text passes through as bytes",
                   "<upcontrol><scontent>\xE7\xA3\x81\xE7\x9B\x98</scontent></upcontrol>",
                   "upcontrol/scontent",
                   0,
                   nullptr,
                   {},
                   "\xE7\xA3\x81\xE7\x9B\x98"},
        LookupCase{"element without closing tag",
                   "<upcontrol><ovix>7</upcontrol>",
                   "upcontrol/ovix",
                   -1,
                   nullptr,
                   {},
                   ""},
        LookupCase{"root without closing tag",
                   "<upcontrol><patch version=\"1\"/>",
                   "upcontrol/ovix",
                   -1,
                   nullptr,
                   {},
                   ""},
        LookupCase{"missing element", kLocalFile, "upcontrol/content", -1, nullptr, {}, ""},
        LookupCase{
            "matching is case-sensitive", kLocalFile, "upcontrol/Patch", -1, nullptr, {}, ""},
        LookupCase{"a lookup is scoped to its parent",
                   "<upcontrol><a><ovix>1</ovix></a><b><ovix>2</ovix></b></upcontrol>",
                   "upcontrol/b/ovix",
                   0,
                   nullptr,
                   {},
                   "2"},
        LookupCase{"a self-closed parent keeps the outer scope",
                   "<upcontrol><a/><ovix>3</ovix></upcontrol>",
                   "upcontrol/a/ovix",
                   0,
                   nullptr,
                   {},
                   "3"}),
    [](const testing::TestParamInfo<LookupCase>& info) {
        std::string name;
        for (const char* p = info.param.title; *p != '\0'; ++p) {
            name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
        }
        return name + "_" + std::to_string(info.index);
    });

TEST(TagReader, SetDocRefusesOtherRootAndKeepsNothing) {
    CTagReader reader;
    EXPECT_FALSE(reader.SetDoc("<other><ovix>1</ovix></other>", "upcontrol"));
    EXPECT_EQ(reader.FindElem("other/ovix"), -1);
    EXPECT_TRUE(reader.SetDoc(kLocalFile, "upcontrol"));
    EXPECT_FALSE(reader.SetDoc("<other/>", "upcontrol"));
    EXPECT_EQ(reader.FindElem("upcontrol/ovix"), 0) << "a refused document keeps the old one";
}

TEST(TagReader, EveryLookupStartsOverAndForgetsTheLastElement) {
    CTagReader reader;
    reader.SetDoc(kLocalFile, "upcontrol");
    ASSERT_EQ(reader.FindElem("upcontrol/ovix"), 0);
    ASSERT_EQ(reader.GetData(), "7");
    EXPECT_EQ(reader.FindElem("upcontrol/content"), -1);
    EXPECT_EQ(reader.GetData(), "");
    ASSERT_EQ(reader.FindElem("upcontrol/patch"), 0);
    ASSERT_EQ(reader.FindElem("upcontrol/ovix"), 0);
    std::string value;
    EXPECT_EQ(reader.GetAttrib("version", value), -1) << "attributes of the patch element gone";
    // A malformed attribute fails the lookup and hands out nothing of it.
    reader.SetDoc("<upcontrol><patch a=\"1\" b=12/></upcontrol>", "upcontrol");
    EXPECT_EQ(reader.FindElem("upcontrol/patch"), -1);
    EXPECT_EQ(reader.GetAttrib("a", value), -1);
}

}  // namespace
}  // namespace ovix::tagreader
