// The update procedure's environment on this system: download jobs over HTTP, the named
// mutexes shared with the launcher, the desktop entry, the main client's window, and a sink
// for the disk-space message (a message box, or standard error without a display).
#pragma once

#include <functional>
#include <string>

#include "platform/ipc/NamedMutex.h"
#include "updater/update/DiskFullMessage.h"
#include "updater/update/UpdateEnvironment.h"

namespace ovix::updater {

class CSystemEnvironment : public IUpdateEnvironment {
public:
    using MessageSink = std::function<void(const MessageText&)>;

    // `showMessage` shows the disk-space message and returns when the user has seen it.
    CSystemEnvironment(std::string programFolder, MessageSink showMessage);

    JobOutcome RunJob(const std::string& url, const std::string& path) override;
    bool LauncherRunning() override;
    void HoldReplaceMutex() override;
    void ReleaseReplaceMutex() override;
    void MakeDesktopShortcut() override;
    void NotifyMainClient() override;
    void ShowDiskFullMessage() override;

private:
    std::string m_programFolder;
    MessageSink m_showMessage;
    platform::CNamedMutex m_replaceMutex;  // held from before the launcher job until recorded
};

}  // namespace ovix::updater
