// The agent's automation object "OvixAgent.Application". It drives the agent window while the
// window exists and answers as the table of results says once it is gone. While it exists it
// holds a lock on the program.
#pragma once

#include <cstdint>
#include <string>

#include "agent/ui/AgentWindowLink.h"
#include "platform/automation/DispatchTarget.h"

namespace ovix::agent {

class IAgentApplicationLock {
public:
    virtual ~IAgentApplicationLock() = default;
    virtual void LockApp() = 0;
    // May close the main window and end the program (when it was started for automation).
    virtual void UnlockApp() = 0;
};

class COvixAgentDlgAutoProxy : public platform::IDispatchTarget, public IAgentAutoProxy {
public:
    // Locks the program and attaches to mainWindow (nullptr: no window).
    COvixAgentDlgAutoProxy(IAgentWindow* mainWindow, IAgentApplicationLock& app);
    // Detaches from the window and unlocks the program.
    ~COvixAgentDlgAutoProxy() override;
    COvixAgentDlgAutoProxy(const COvixAgentDlgAutoProxy&) = delete;
    COvixAgentDlgAutoProxy& operator=(const COvixAgentDlgAutoProxy&) = delete;

    // The six methods; results as the outside client expects them.
    int32_t StartAgent(const std::string& address);  // -1 without a window
    int32_t StopAgent();                             // -1 without a window
    int32_t GetSIPAddr(std::string& address);        // 0; address untouched without a window
    void Show(int32_t show);
    int32_t DisconnectTC();             // 0
    int16_t GetSIPPort(int16_t* port);  // 0; port untouched without a window

    // Dispatch by id (1..6) with argument checks.
    platform::HResult Invoke(int32_t dispId, platform::DispatchArgs& args,
                             platform::DispatchValue& result) override;

    void DetachWindow() override { dialog_ = nullptr; }
    bool HasWindow() const { return dialog_ != nullptr; }

private:
    IAgentWindow* dialog_;  // not owned; cleared by the window when it is destroyed
    IAgentApplicationLock& app_;
};

}  // namespace ovix::agent
