#include "updater/app/UpdaterDlg.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <cstdio>

#include "updater/net/SocketPrimitives.h"
#include "updater/update/PendingPackage.h"
#include "updater/update/SystemEnvironment.h"
#include "updater/update/UpdateProcedure.h"
#include "updater/update/UpdateServerUrl.h"

#if defined(OVIX_UPDATER_WIDGETS)
#include <QDialog>

#include "updater/app/DiskFullBox.h"
#endif

namespace ovix::updater {

namespace {

#if defined(OVIX_UPDATER_WIDGETS)
// Size of the window's layout: 269 x 111 dialog units of a 9-point font.
constexpr int kWindowWidth = 404;
constexpr int kWindowHeight = 180;
#endif

QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

CUpdaterDlg::CUpdaterDlg(std::string programFolder, bool withWindow)
    : m_programFolder(std::move(programFolder)) {
#if defined(OVIX_UPDATER_WIDGETS)
    if (withWindow) {
        auto window = std::make_unique<QDialog>();
        window->setWindowTitle(QStringLiteral("Pullpatch"));
        window->resize(kWindowWidth, kWindowHeight);
        m_window = std::move(window);
    }
#else
    (void)withWindow;
#endif
}

CUpdaterDlg::~CUpdaterDlg() = default;

void CUpdaterDlg::OnInitDialog() {
    InitNetwork();  // nothing to start here; a failure would only make every job fail
    QMetaObject::invokeMethod(
        &m_context, [this] { OnRunUpdate(); }, Qt::QueuedConnection);
}

void CUpdaterDlg::OnRunUpdate() {
    // A package that waits is the launcher's to install; until then there is nothing to do.
    // Without its own folder the program would look for its files in the root folder.
    if (!m_programFolder.empty() && !IsPackagePending(m_programFolder)) {
        RunUpdate();
    }
    QCoreApplication::exit(kExitCode);
}

void CUpdaterDlg::RunUpdate() {
    CSystemEnvironment environment(m_programFolder,
                                   [this](const MessageText& message) { ShowMessage(message); });
    CUpdateProcedure procedure(m_programFolder, UpdateServerUrl(), environment);
    procedure.RunUpdate();
}

void CUpdaterDlg::ShowMessage(const MessageText& message) {
#if defined(OVIX_UPDATER_WIDGETS)
    if (m_window) {
        ShowDiskFullBox(m_window.get(), message);
        return;
    }
#endif
    const QByteArray line =
        (FromUtf8(message.caption) + QStringLiteral(": ") + FromUtf8(message.text)).toUtf8();
    std::fprintf(stderr, "%s\n", line.constData());
}

}  // namespace ovix::updater
