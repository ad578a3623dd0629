#include "platform/automation/AutomationRegistry.h"
#include "platform/ipc/tests/TempFolder.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace ovix::platform {
namespace {

constexpr const char* kClassId = "{51870C2B-1D11-494E-861B-F3A96BB2F8BA}";

class AutomationRegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = temp_.Path();
        ASSERT_FALSE(folder_.empty());
        file_ = folder_ + "/registry.ini";
    }
    void Write(const std::string& text) { std::ofstream(file_, std::ios::binary) << text; }

    test::CTempFolder temp_;
    std::string folder_;
    std::string file_;
};

TEST_F(AutomationRegistryTest, RegisteredServerIsFoundAndOtherEntriesStay) {
    Write("[Other.Control]\nCLSID={00000000-0000-0000-0000-000000000001}\n");
    ASSERT_TRUE(RegisterLocalServer(file_, "OvixAgent.Application", kClassId, "/opt/a/OvixAgent"));
    ASSERT_TRUE(RegisterLocalServer(file_, "OvixAgent.Application", kClassId, "/opt/b/OvixAgent"));
    LocalServerEntry entry;
    ASSERT_EQ(LookUpLocalServer(file_, "ovixagent.application", entry), kS_OK);
    EXPECT_EQ(entry.classId, kClassId);
    EXPECT_EQ(entry.serverProgram, "/opt/b/OvixAgent");
    std::ifstream in(file_);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("[Other.Control]"), std::string::npos);
}

TEST_F(AutomationRegistryTest, RefusesUnusableRegistrations) {
    EXPECT_FALSE(RegisterLocalServer(file_, "OvixAgent.Application", "not-a-guid", "/x"));
    EXPECT_FALSE(RegisterLocalServer(file_, "", kClassId, "/x"));
    EXPECT_FALSE(RegisterLocalServer(file_, "OvixAgent.Application", kClassId, ""));
    EXPECT_FALSE(RegisterLocalServer("", "OvixAgent.Application", kClassId, "/x"));
}

TEST_F(AutomationRegistryTest, BrokenRegistriesGiveTheMatchingFailure) {
    struct Case {
        const char* name;
        const char* text;  // nullptr: no file at all
        HResult expected;
    };
    const Case cases[] = {
        {"no file", nullptr, kCO_E_CLASSSTRING},
        {"ProgID absent", "[Something]\nCLSID={51870C2B-1D11-494E-861B-F3A96BB2F8BA}\n",
         kCO_E_CLASSSTRING},
        {"class id not a GUID", "[OvixAgent.Application]\nCLSID=51870C2B\n", kREGDB_E_READREGDB},
        {"class id with a bad digit",
         "[OvixAgent.Application]\nCLSID={51870C2B-1D11-494E-861B-F3A96BB2F8BZ}\n",
         kREGDB_E_READREGDB},
        {"no local server",
         "[OvixAgent.Application]\nCLSID={51870C2B-1D11-494E-861B-F3A96BB2F8BA}\n",
         kREGDB_E_CLASSNOTREG},
        {"binary garbage", "\x01\x02[\xff\xfe=\n==\n[[]]\n\0\0\0", kCO_E_CLASSSTRING},
    };
    for (const auto& c : cases) {
        std::filesystem::remove(file_);
        if (c.text != nullptr) {
            Write(c.text);
        }
        LocalServerEntry entry;
        EXPECT_EQ(LookUpLocalServer(file_, "OvixAgent.Application", entry), c.expected) << c.name;
    }
}

}  // namespace
}  // namespace ovix::platform
