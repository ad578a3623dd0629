#include "updater/app/UpdaterApp.h"

#include "common/MainClientContract.h"
#include "platform/sys/ProgramFolder.h"
#include "updater/app/DisplayChoice.h"

#if defined(OVIX_UPDATER_WIDGETS)
#include <QApplication>
#endif

namespace ovix::updater {

CUpdaterApp::CUpdaterApp(int& argc, char** argv) : m_argc(argc), m_argv(argv) {}

CUpdaterApp::~CUpdaterApp() {
    // The window goes before the application object it belongs to.
    m_dlg.reset();
    m_application.reset();
}

int CUpdaterApp::Run() {
    if (!InitInstance()) {
        return 0;
    }
    return ExitInstance(m_application->exec());
}

bool CUpdaterApp::InitInstance() {
    // A second updater ends before it touches any file or the network.
    m_instanceMutex = platform::CNamedMutex::Create(contract::kUpdaterInstanceMutex);
    if (m_instanceMutex.AlreadyExisted()) {
        m_instanceMutex.Close();
        return false;
    }
    const bool withWindow = HasDisplay();
#if defined(OVIX_UPDATER_WIDGETS)
    if (withWindow) {
        auto application = std::make_unique<QApplication>(m_argc, m_argv);
        // Closing the message box must not end the program before the check has ended; the
        // window quits with the program's own exit code when it is done.
        application->setQuitOnLastWindowClosed(false);
        m_application = std::move(application);
    }
#endif
    if (!m_application) {
        m_application = std::make_unique<QCoreApplication>(m_argc, m_argv);
    }
    m_dlg = std::make_unique<CUpdaterDlg>(platform::ProgramFolder(), withWindow);
    m_dlg->OnInitDialog();
    return true;
}

int CUpdaterApp::ExitInstance(int code) {
    m_dlg.reset();
    return code;
}

}  // namespace ovix::updater
