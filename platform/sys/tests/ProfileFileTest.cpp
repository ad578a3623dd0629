#include "platform/sys/ProfileFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace ovix::platform {
namespace {

class ProfileFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/ovix-profile-XXXXXX";
        folder_ = ::mkdtemp(tmpl);
        file_ = folder_ + "/settings.ini";
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }

    void Write(const std::string& text) { std::ofstream(file_, std::ios::binary) << text; }
    std::string Read() {
        std::ifstream in(file_, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

    std::string folder_;
    std::string file_;
};

TEST_F(ProfileFileTest, ReadsValuesLikeAPrivateProfile) {
    Write(
        "; comment\r\n[Other]\r\nsvraddr=wrong\r\n[SipAgent]\r\n  SvrAddr =  10.0.0.9 \r\n"
        "svrport=443abc\r\nquoted=\"a b\"\r\nneg=-12\r\n");
    struct Case {
        const char* section;
        const char* key;
        const char* expected;
    } cases[] = {
        {"SipAgent", "svraddr", "10.0.0.9"}, {"sipagent", "SVRADDR", "10.0.0.9"},
        {"Other", "svraddr", "wrong"},       {"SipAgent", "quoted", "a b"},
        {"SipAgent", "missing", "dflt"},     {"Missing", "svraddr", "dflt"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(GetProfileString(file_, c.section, c.key, "dflt"), c.expected)
            << c.section << "/" << c.key;
    }
    EXPECT_EQ(GetProfileInt(file_, "SipAgent", "svrport", 80), 443);
    EXPECT_EQ(GetProfileInt(file_, "SipAgent", "neg", 80), -12);
    EXPECT_EQ(GetProfileInt(file_, "SipAgent", "svraddr", 80), 10);
    EXPECT_EQ(GetProfileInt(file_, "SipAgent", "quoted", 80), 0);
    EXPECT_EQ(GetProfileInt(file_, "SipAgent", "missing", 80), 80);
    EXPECT_EQ(GetProfileString(folder_ + "/absent.ini", "SipAgent", "svraddr", "d"), "d");
}

TEST_F(ProfileFileTest, WritingKeepsEveryOtherLine) {
    Write("# top\n[SipAgent]\nsvraddr=old\n\n[Other]\nkey=1\n");
    ASSERT_TRUE(WriteProfileString(file_, "SipAgent", "svraddr", "10.0.0.9"));
    ASSERT_TRUE(WriteProfileString(file_, "SipAgent", "svrport", "443"));
    ASSERT_TRUE(WriteProfileString(file_, "Update", "url", "http://127.0.0.1:8080"));
    EXPECT_EQ(Read(),
              "# top\n[SipAgent]\nsvraddr=10.0.0.9\nsvrport=443\n\n[Other]\nkey=1\n"
              "[Update]\nurl=http://127.0.0.1:8080\n");
    EXPECT_EQ(GetProfileInt(file_, "SipAgent", "svrport", 0), 443);
}

TEST_F(ProfileFileTest, RewritingKeepsTheFilePermissions) {
    Write("[SipAgent]\nsvraddr=old\n");
    ::chmod(file_.c_str(), 0600);
    ASSERT_TRUE(WriteProfileString(file_, "SipAgent", "svraddr", "10.0.0.9"));
    struct stat info {};
    ASSERT_EQ(::stat(file_.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0600u);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder_),
                            std::filesystem::directory_iterator()),
              1)
        << "no temporary file is left beside it";
}

TEST_F(ProfileFileTest, CreatesAMissingFileAndRefusesBadNames) {
    ASSERT_TRUE(WriteProfileString(file_, "SipAgent", "svrport", "80"));
    EXPECT_EQ(Read(), "[SipAgent]\nsvrport=80\n");
    EXPECT_FALSE(WriteProfileString(file_, "SipAgent", "a=b", "1"));
    EXPECT_FALSE(WriteProfileString(file_, "Sip]Agent", "a", "1"));
    EXPECT_FALSE(WriteProfileString(file_, "SipAgent", "a", "1\n[Evil]"));
    EXPECT_FALSE(WriteProfileString(folder_ + "/no/such/dir/x.ini", "S", "k", "v"));
    EXPECT_EQ(Read(), "[SipAgent]\nsvrport=80\n");
}

}  // namespace
}  // namespace ovix::platform
