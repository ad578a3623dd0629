// Client and server in separate processes, started through the registry file.
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include "platform/automation/AutomationRegistry.h"
#include "platform/automation/DispatchClient.h"
#include "platform/ipc/tests/TempFolder.h"

namespace ovix::platform {
namespace {

constexpr const char* kProgId = "Test.Server";
constexpr const char* kClassId = "{11111111-2222-3333-4444-555555555555}";

class LocalServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = temp_.Path();
        ASSERT_FALSE(folder_.empty());
        registry_ = folder_ + "/registry.ini";
        ASSERT_TRUE(RegisterLocalServer(registry_, kProgId, kClassId, OVIX_AUTOMATION_TEST_SERVER));
        unsetenv("OVIX_TEST_SERVER_START");
    }
    void TearDown() override { unsetenv("OVIX_TEST_SERVER_START"); }
    HResult Create(std::unique_ptr<CDispatchClient>& client, DispatchClientOptions options = {}) {
        return CreateObjectFromRegistry(registry_, kProgId, options, client, error_);
    }

    test::CTempFolder temp_;
    std::string folder_;
    std::string registry_;
    std::string error_;
};

TEST_F(LocalServerTest, EachObjectGetsItsOwnProcessWhichEndsOnRelease) {
    std::unique_ptr<CDispatchClient> first;
    std::unique_ptr<CDispatchClient> second;
    ASSERT_EQ(Create(first), kS_OK) << error_;
    ASSERT_EQ(Create(second), kS_OK) << error_;
    DispatchArgs none;
    DispatchValue pid1;
    DispatchValue pid2;
    ASSERT_EQ(first->Invoke(4, none, pid1), kS_OK);
    ASSERT_EQ(second->Invoke(4, none, pid2), kS_OK);
    EXPECT_EQ(std::get<int32_t>(pid1), first->ServerProcessId());
    EXPECT_NE(pid1, pid2);

    DispatchArgs echo = {std::string("hi")};
    DispatchValue length;
    ASSERT_EQ(first->Invoke(1, echo, length), kS_OK);
    EXPECT_EQ(echo[0], DispatchValue(std::string("hi!")));
    DispatchArgs wrongType = {int32_t{1}};
    EXPECT_EQ(first->Invoke(1, wrongType, length), kDISP_E_TYPEMISMATCH);

    first->Release();
    EXPECT_TRUE(first->ServerEnded());
    EXPECT_FALSE(second->ServerEnded());
    second->Release();
    EXPECT_TRUE(second->ServerEnded());
}

TEST_F(LocalServerTest, DeadServerMakesLaterCallsFail) {
    std::unique_ptr<CDispatchClient> client;
    ASSERT_EQ(Create(client), kS_OK) << error_;
    DispatchArgs none;
    DispatchValue result;
    EXPECT_EQ(client->Invoke(2, none, result), kRPC_E_DISCONNECTED);  // dies mid-call
    EXPECT_EQ(client->Invoke(4, none, result), kRPC_E_DISCONNECTED);
    EXPECT_TRUE(client->ServerEnded());

    std::unique_ptr<CDispatchClient> killed;
    ASSERT_EQ(Create(killed), kS_OK) << error_;
    ASSERT_EQ(kill(killed->ServerProcessId(), SIGKILL), 0);
    EXPECT_EQ(killed->Invoke(4, none, result), kRPC_E_DISCONNECTED);
    EXPECT_NE(killed->LastError().find("0x80010108"), std::string::npos);
}

TEST_F(LocalServerTest, SlowServerTimesOut) {
    std::unique_ptr<CDispatchClient> client;
    DispatchClientOptions options;
    options.callTimeoutMs = 300;
    ASSERT_EQ(Create(client, options), kS_OK) << error_;
    DispatchArgs sleep = {int32_t{2000}};
    DispatchValue result;
    EXPECT_EQ(client->Invoke(3, sleep, result), kRPC_E_TIMEOUT);
    DispatchArgs none;
    EXPECT_EQ(client->Invoke(4, none, result), kRPC_E_DISCONNECTED);
    client->Release();  // the server sees end of stream after its sleep and ends
    EXPECT_TRUE(client->ServerEnded());
}

TEST_F(LocalServerTest, StartFailuresAreReportedClearly) {
    std::unique_ptr<CDispatchClient> client;
    DispatchClientOptions options;
    options.startTimeoutMs = 500;

    setenv("OVIX_TEST_SERVER_START", "die", 1);
    EXPECT_EQ(Create(client, options), kCO_E_SERVER_EXEC_FAILURE);
    EXPECT_NE(error_.find("ended during start-up"), std::string::npos) << error_;

    setenv("OVIX_TEST_SERVER_START", "silent", 1);
    EXPECT_EQ(Create(client, options), kCO_E_SERVER_EXEC_FAILURE);
    EXPECT_NE(error_.find("in time"), std::string::npos) << error_;
    unsetenv("OVIX_TEST_SERVER_START");

    ASSERT_TRUE(RegisterLocalServer(registry_, kProgId, kClassId, folder_ + "/missing-server"));
    EXPECT_EQ(Create(client, options), kCO_E_SERVER_EXEC_FAILURE);
    EXPECT_NE(error_.find("missing"), std::string::npos) << error_;

    EXPECT_EQ(CreateObjectFromRegistry(registry_, "No.Such", options, client, error_),
              kCO_E_CLASSSTRING);
    EXPECT_NE(error_.find("not registered"), std::string::npos) << error_;
    EXPECT_EQ(client, nullptr);
}

}  // namespace
}  // namespace ovix::platform
