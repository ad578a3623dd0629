#include "agent/ui/AgentSettings.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include "platform/ipc/tests/TempFolder.h"

namespace ovix::agent {
namespace {

TEST(AgentSettings, DefaultsRoundTripAndPathInTheSettingsFolder) {
    platform::test::CTempFolder temp;
    const std::string folder = temp.Path();
    ASSERT_FALSE(folder.empty());
    setenv("OVIX_CONFIG_DIR", folder.c_str(), 1);
    const std::string file = AgentSettingsPath();
    EXPECT_EQ(file, folder + "/OvixAgent.ini");

    const AgentServerSettings defaults = ReadAgentSettings(file);
    EXPECT_EQ(defaults.address, "");
    EXPECT_EQ(defaults.port, "80");

    ASSERT_TRUE(WriteAgentSettings(file, {"10.0.0.9", "443"}));
    const AgentServerSettings read = ReadAgentSettings(file);
    EXPECT_EQ(read.address, "10.0.0.9");
    EXPECT_EQ(read.port, "443");
    EXPECT_FALSE(WriteAgentSettings("", {"a", "1"}));
    unsetenv("OVIX_CONFIG_DIR");
}

}  // namespace
}  // namespace ovix::agent
