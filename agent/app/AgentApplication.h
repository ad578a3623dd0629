// The running agent program: its main window, the automation object of an automation start
// and the channel it is served on, and the rules that end the program.
#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <memory>

#include "agent/app/AgentLifetime.h"
#include "agent/app/COvixAgentDlgAutoProxy.h"
#include "agent/app/TerminationSignals.h"
#include "agent/ui/COvixAgentDlg.h"
#include "platform/automation/AutomationServerSession.h"

namespace ovix::agent {

class CAgentApplication : public QObject, public IAgentApplicationLock {
    Q_OBJECT

public:
    // channelFd: the automation channel of an automation start (owned from here), or -1.
    CAgentApplication(std::unique_ptr<COvixAgentDlg> window, bool automated, int channelFd);
    ~CAgentApplication() override;

    // Serves the automation object (when there is a channel) and watches for SIGTERM/SIGINT.
    // The event loop then runs until the program ends.
    void Start();

    void LockApp() override;
    void UnlockApp() override;

private:
    void OnChannelReadable();
    void OnTerminationSignal();
    void OnMainWindowDestroyed();
    void ReleaseObject();
    void Apply(CAgentLifetime::Action action);

    std::unique_ptr<COvixAgentDlg> window_;
    CAgentLifetime lifetime_;
    int channelFd_;
    // Declared before the session: the session calls into the proxy, and goes first.
    std::unique_ptr<COvixAgentDlgAutoProxy> proxy_;
    std::unique_ptr<platform::CAutomationServerSession> session_;
    std::unique_ptr<QSocketNotifier> channelNotifier_;
    CTerminationSignals signals_;
    std::unique_ptr<QSocketNotifier> signalNotifier_;
    bool shuttingDown_ = false;
};

}  // namespace ovix::agent
