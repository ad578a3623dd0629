#include "updater/update/SystemEnvironment.h"

#include "common/MainClientContract.h"
#include "platform/ipc/WindowClass.h"
#include "platform/sys/DesktopFolder.h"
#include "platform/sys/OemCodePage.h"
#include "updater/update/DesktopShortcut.h"

namespace ovix::updater {

CSystemEnvironment::CSystemEnvironment(std::string programFolder, MessageSink showMessage)
    : m_programFolder(std::move(programFolder)), m_showMessage(std::move(showMessage)) {}

bool CSystemEnvironment::LauncherRunning() {
    return platform::CNamedMutex::Exists(contract::kLauncherRunningMutex);
}

void CSystemEnvironment::HoldReplaceMutex() {
    // Whether it existed before does not matter: only a launcher looks at it.
    m_replaceMutex = platform::CNamedMutex::Create(contract::kLauncherReplaceMutex);
}

void CSystemEnvironment::ReleaseReplaceMutex() {
    m_replaceMutex.Close();
}

void CSystemEnvironment::MakeDesktopShortcut() {
    updater::MakeDesktopShortcut(m_programFolder, platform::DesktopFolder());
}

void CSystemEnvironment::NotifyMainClient() {
    platform::PostWindowMessage(contract::kMainClientWindowClass, contract::kMsgUpdatePackageReady,
                                0, 0);
}

void CSystemEnvironment::ShowDiskFullMessage() {
    if (m_showMessage) {
        m_showMessage(DiskFullMessageFor(platform::OemCodePage()));
    }
}

}  // namespace ovix::updater
