// The updater's hidden window. It never shows itself: it only owns the disk-space message
// box (when there is a display) and runs the update check once the event loop has started.
#pragma once

#include <QObject>
#include <memory>
#include <string>

#include "updater/update/DiskFullMessage.h"

class QWidget;

namespace ovix::updater {

class CUpdaterDlg {
public:
    // The exit code of every run that got as far as the window.
    static constexpr int kExitCode = 18;

    CUpdaterDlg(std::string programFolder, bool withWindow);
    ~CUpdaterDlg();
    CUpdaterDlg(const CUpdaterDlg&) = delete;
    CUpdaterDlg& operator=(const CUpdaterDlg&) = delete;

    // Queues the update check behind the events already waiting, as a message posted to the
    // window itself would be.
    void OnInitDialog();

private:
    void OnRunUpdate();
    void RunUpdate();
    void ShowMessage(const MessageText& message);

    std::string m_programFolder;
    QObject m_context;                  // lifetime of the queued call
    std::unique_ptr<QWidget> m_window;  // owner of the message box; null without a display
};

}  // namespace ovix::updater
