// Start-up decisions, lifetime rules and the automation object, without windows.
#include <gtest/gtest.h>
#include <stdlib.h>

#include "agent/app/AgentAutomationIds.h"
#include "agent/app/AgentCommandLine.h"
#include "agent/app/AgentLifetime.h"
#include "agent/app/AgentRegistration.h"
#include "agent/app/COvixAgentDlgAutoProxy.h"
#include "platform/automation/AutomationRegistry.h"
#include "platform/ipc/tests/TempFolder.h"

namespace ovix::agent {
namespace {

TEST(AgentCommandLine, AutomationOptionAndRegisterOnly) {
    struct Case {
        std::vector<std::string> args;
        bool automation;
        std::string remaining;
        bool registerOnly;
    };
    const Case cases[] = {
        {{}, false, "", false},
        {{"-reg"}, false, "-reg", true},
        {{"-REG"}, false, "-REG", false},  // same case only
        {{"/Automation"}, true, "", false},
        {{"-automation"}, true, "", false},
        {{"/EMBEDDING"}, true, "", false},
        {{"-Embedding", "-reg"}, true, "-reg", true},
        {{"Automation"}, false, "Automation", false},  // needs '/' or '-'
        {{"--Automation"}, false, "--Automation", false},
        {{"-reg", "x"}, false, "-reg x", false},
    };
    for (const auto& c : cases) {
        const AgentCommandLine line = ParseAgentCommandLine(c.args);
        EXPECT_EQ(line.automation, c.automation) << c.remaining;
        EXPECT_EQ(line.remaining, c.remaining);
        EXPECT_EQ(line.RegisterOnly(), c.registerOnly) << c.remaining;
    }
}

TEST(AgentLifetime, AutomationStartEndsWithItsObjectUserStartWithItsWindow) {
    using Action = CAgentLifetime::Action;
    CAgentLifetime automated(false);
    automated.Lock();
    EXPECT_EQ(automated.Unlock(), Action::kCloseMainWindow);
    EXPECT_EQ(automated.OnMainWindowDestroyed(), Action::kQuit);

    // Window destroyed while the object exists: the process stays for the object's calls.
    CAgentLifetime windowFirst(false);
    windowFirst.Lock();
    EXPECT_EQ(windowFirst.OnMainWindowDestroyed(), Action::kNone);
    EXPECT_EQ(windowFirst.Unlock(), Action::kQuit);

    CAgentLifetime byHand(true);
    byHand.Lock();
    EXPECT_EQ(byHand.Unlock(), Action::kNone);
    EXPECT_EQ(byHand.OnMainWindowDestroyed(), Action::kQuit);
}

class CFakeWindow : public IAgentWindow {
public:
    int StartAgent(const std::string& address) override {
        started = address;
        port = 5060;
        return 0;
    }
    int StopAgent() override {
        ++stops;
        return 0;
    }
    std::string SipBindAddress() const override { return "127.0.0.1"; }
    uint16_t SipPort() const override { return port; }
    void ShowWindow() override { ++shows; }
    void DisconnectTunnel() override { ++disconnects; }
    void SetAutoProxy(IAgentAutoProxy* p) override { proxy = p; }

    std::string started;
    uint16_t port = 0;
    int stops = 0;
    int shows = 0;
    int disconnects = 0;
    IAgentAutoProxy* proxy = nullptr;
};

class CCountingLock : public IAgentApplicationLock {
public:
    void LockApp() override { ++locks; }
    void UnlockApp() override { --locks; }
    int locks = 0;
};

TEST(COvixAgentDlgAutoProxy, ResultsWithAndWithoutTheWindow) {
    CFakeWindow window;
    CCountingLock app;
    {
        COvixAgentDlgAutoProxy proxy(&window, app);
        EXPECT_EQ(app.locks, 1);
        EXPECT_EQ(window.proxy, &proxy);

        int16_t port = 77;
        EXPECT_EQ(proxy.GetSIPPort(&port), 0);
        EXPECT_EQ(port, 0);  // before any start
        EXPECT_EQ(proxy.StartAgent("10.1.2.3:8080"), 0);
        EXPECT_EQ(window.started, "10.1.2.3:8080");
        EXPECT_EQ(proxy.GetSIPPort(&port), 0);
        EXPECT_EQ(port, 5060);
        EXPECT_EQ(proxy.GetSIPPort(nullptr), 0);
        std::string address = "old";
        EXPECT_EQ(proxy.GetSIPAddr(address), 0);
        EXPECT_EQ(address, "127.0.0.1");
        proxy.Show(0);
        EXPECT_EQ(window.shows, 0);
        proxy.Show(1);
        EXPECT_EQ(window.shows, 1);
        EXPECT_EQ(proxy.DisconnectTC(), 0);
        EXPECT_EQ(window.disconnects, 1);
        EXPECT_EQ(proxy.StopAgent(), 0);
        EXPECT_EQ(window.stops, 1);

        proxy.DetachWindow();  // the window was destroyed
        EXPECT_EQ(proxy.StartAgent("x"), -1);
        EXPECT_EQ(proxy.StopAgent(), -1);
        address = "untouched";
        EXPECT_EQ(proxy.GetSIPAddr(address), 0);
        EXPECT_EQ(address, "untouched");
        port = 1234;
        EXPECT_EQ(proxy.GetSIPPort(&port), 0);
        EXPECT_EQ(port, 1234);
        proxy.Show(1);
        EXPECT_EQ(proxy.DisconnectTC(), 0);
        EXPECT_EQ(window.shows, 1);
        EXPECT_EQ(window.disconnects, 1);
        EXPECT_EQ(window.stops, 1);
    }
    EXPECT_EQ(app.locks, 0);

    COvixAgentDlgAutoProxy attached(&window, app);
    EXPECT_EQ(window.proxy, &attached);
    { COvixAgentDlgAutoProxy gone(&window, app); }
    EXPECT_EQ(window.proxy, nullptr);  // the object going away detaches the window
}

TEST(COvixAgentDlgAutoProxy, DispatchChecksIdsCountsAndTypes) {
    using platform::DispatchArgs;
    using platform::DispatchValue;
    CFakeWindow window;
    CCountingLock app;
    COvixAgentDlgAutoProxy proxy(&window, app);
    struct Case {
        int32_t dispId;
        DispatchArgs args;
        platform::HResult expected;
        DispatchValue result;
    };
    const Case cases[] = {
        {kDispStartAgent, {std::string("127.0.0.1:9")}, platform::kS_OK, int32_t{0}},
        {kDispStartAgent, {}, platform::kDISP_E_BADPARAMCOUNT, {}},
        {kDispStartAgent, {int32_t{1}}, platform::kDISP_E_TYPEMISMATCH, {}},
        {kDispStopAgent, {}, platform::kS_OK, int32_t{0}},
        {kDispStopAgent, {int32_t{1}}, platform::kDISP_E_BADPARAMCOUNT, {}},
        {kDispGetSIPAddr, {std::monostate{}}, platform::kS_OK, int32_t{0}},
        {kDispGetSIPAddr, {int16_t{1}}, platform::kDISP_E_TYPEMISMATCH, {}},
        {kDispShow, {int32_t{0}}, platform::kS_OK, {}},
        {kDispShow, {int16_t{1}}, platform::kS_OK, {}},
        {kDispShow, {std::string("1")}, platform::kDISP_E_TYPEMISMATCH, {}},
        {kDispDisconnectTC, {}, platform::kS_OK, int32_t{0}},
        {kDispGetSIPPort, {int16_t{0}}, platform::kS_OK, int16_t{0}},
        {kDispGetSIPPort, {}, platform::kS_OK, int16_t{0}},
        {kDispGetSIPPort, {int32_t{0}}, platform::kDISP_E_TYPEMISMATCH, {}},
        {7, {}, platform::kDISP_E_MEMBERNOTFOUND, {}},
        {0, {}, platform::kDISP_E_MEMBERNOTFOUND, {}},
    };
    for (const auto& c : cases) {
        DispatchArgs args = c.args;
        DispatchValue result;
        EXPECT_EQ(proxy.Invoke(c.dispId, args, result), c.expected) << c.dispId;
        if (c.expected == platform::kS_OK) {
            EXPECT_EQ(result, c.result) << c.dispId;
        }
    }
    EXPECT_EQ(window.shows, 1);
    DispatchArgs port = {int16_t{0}};
    DispatchValue result;
    ASSERT_EQ(proxy.Invoke(kDispGetSIPPort, port, result), platform::kS_OK);
    EXPECT_EQ(port[0], DispatchValue(int16_t{5060}));
    DispatchArgs address = {std::monostate{}};
    ASSERT_EQ(proxy.Invoke(kDispGetSIPAddr, address, result), platform::kS_OK);
    EXPECT_EQ(address[0], DispatchValue(std::string("127.0.0.1")));
}

TEST(AgentRegistration, WritesProgIdClassAndProgram) {
    platform::test::CTempFolder temp;
    ASSERT_FALSE(temp.Path().empty());
    const std::string registry = temp.Path() + "/registry.ini";
    ASSERT_TRUE(RegisterAgentServer(registry, "/opt/ovix/OvixAgent"));
    platform::LocalServerEntry entry;
    ASSERT_EQ(platform::LookUpLocalServer(registry, "OvixAgent.Application", entry),
              platform::kS_OK);
    EXPECT_EQ(entry.classId, kAgentClassId);
    EXPECT_EQ(entry.serverProgram, "/opt/ovix/OvixAgent");
    EXPECT_EQ(AgentProgramPath().substr(AgentProgramPath().rfind('/')), "/OvixAgent");
}

}  // namespace
}  // namespace ovix::agent
