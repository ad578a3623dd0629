// The agent's only window: a dialog with the log list, the tunnel server's address and port,
// and the Save log, Start, Stop and Exit buttons. It owns the relay core, starts hidden, and
// is what the automation object drives.
#pragma once

#include <QDialog>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "agent/ui/AgentRelay.h"
#include "agent/ui/AgentWindowLink.h"
#include "agent/ui/LogLineQueue.h"

class QLineEdit;
class QMenu;
class QTreeWidget;

namespace ovix::agent {

class COvixAgentDlg : public QDialog, public IAgentWindow, public IAgentLogSink {
    Q_OBJECT

public:
    // settingsFile: the INI file with section "SipAgent" (empty: no settings).
    COvixAgentDlg(std::unique_ptr<IAgentRelay> relay, std::string settingsFile,
                  QWidget* parent = nullptr);
    ~COvixAgentDlg() override;

    // Any thread. Lines from the window's own thread are inserted at once; others go through
    // one queue to the window's thread, so each thread's lines keep their order.
    void AddLogLine(std::string_view text) override;

    // Automation side.
    int StartAgent(const std::string& address) override;
    int StopAgent() override;
    std::string SipBindAddress() const override;
    uint16_t SipPort() const override;
    void ShowWindow() override;
    void DisconnectTunnel() override;
    void SetAutoProxy(IAgentAutoProxy* proxy) override;

    // The hide-or-close test of Enter and Esc: false (hide only) while an automation client
    // is attached.
    bool CanExit() const;

    // Log texts from the top (newest) down.
    std::vector<std::string> LogLines() const;

    // Where the save button asks for a file name; empty answer: cancelled. Replaceable so the
    // button can be driven without a modal file dialog.
    void SetSaveFileChooser(std::function<QString()> chooser);

    // Writes the log to path as the save button does. False when the file cannot be written.
    bool SaveLog(const QString& path) const;

    // The window menu (the equivalent of the system menu: right click or Alt+Space).
    QMenu* WindowMenu() const { return windowMenu_.get(); }

signals:
    // The window was destroyed (exit button, close command, Enter or Esc without a client);
    // the relay is stopped. The program ends on it unless an automation object still exists.
    void WindowDestroyed();

public slots:
    void OnStart();
    void OnStop();
    void OnSaveLog();
    void OnExit();

protected:
    void accept() override;
    void reject() override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void customEvent(QEvent* event) override;

private:
    void BuildControls();
    void LoadSettings();
    void InsertLogLine(const QString& text);
    void DrainLogQueue();
    // The destruction steps, once: detach the client, detach the log, stop the relay.
    void Destroy();

    std::unique_ptr<IAgentRelay> relay_;
    const std::string settingsFile_;
    const std::thread::id windowThread_;
    CLogLineQueue pendingLines_;
    IAgentAutoProxy* autoProxy_ = nullptr;  // not owned; the proxy clears it
    bool destroyed_ = false;
    std::function<QString()> chooseSaveFile_;

    // Child widgets are owned by the dialog through Qt's parent links.
    QTreeWidget* logList_ = nullptr;
    QLineEdit* addressEdit_ = nullptr;
    QLineEdit* portEdit_ = nullptr;
    std::unique_ptr<QMenu> windowMenu_;
};

}  // namespace ovix::agent
