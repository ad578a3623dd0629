// The updater program: keeps to one instance, makes the hidden window and runs its event
// loop until the update check has ended.
#pragma once

#include <QCoreApplication>
#include <memory>

#include "platform/ipc/NamedMutex.h"
#include "updater/app/UpdaterDlg.h"

namespace ovix::updater {

class CUpdaterApp {
public:
    CUpdaterApp(int& argc, char** argv);
    ~CUpdaterApp();
    CUpdaterApp(const CUpdaterApp&) = delete;
    CUpdaterApp& operator=(const CUpdaterApp&) = delete;

    // The whole program; its result is the process exit code.
    int Run();

private:
    bool InitInstance();
    int ExitInstance(int code);

    int& m_argc;
    char** m_argv;
    platform::CNamedMutex m_instanceMutex;  // held until the process ends
    std::unique_ptr<QCoreApplication> m_application;
    std::unique_ptr<CUpdaterDlg> m_dlg;
};

}  // namespace ovix::updater
