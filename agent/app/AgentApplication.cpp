#include "agent/app/AgentApplication.h"

#include <unistd.h>

#include <QCoreApplication>
#include <cstdio>

namespace ovix::agent {

CAgentApplication::CAgentApplication(std::unique_ptr<COvixAgentDlg> window, bool automated,
                                     int channelFd)
    : window_(std::move(window)), lifetime_(!automated), channelFd_(channelFd) {
    connect(window_.get(), &COvixAgentDlg::WindowDestroyed, this,
            &CAgentApplication::OnMainWindowDestroyed);
}

CAgentApplication::~CAgentApplication() {
    shuttingDown_ = true;
    channelNotifier_.reset();
    session_.reset();
    proxy_.reset();
    if (channelFd_ >= 0) {
        close(channelFd_);  // never handed to a session
    }
    // The window goes first, while everything it may signal to still exists.
    window_->disconnect(this);
    window_.reset();
}

void CAgentApplication::Start() {
    if (signals_.Fd() >= 0) {
        signalNotifier_ = std::make_unique<QSocketNotifier>(signals_.Fd(), QSocketNotifier::Read);
        connect(signalNotifier_.get(), &QSocketNotifier::activated, this,
                &CAgentApplication::OnTerminationSignal);
    }
    if (channelFd_ < 0) {
        return;
    }
    // The client's creation request: the object exists from here, attached to the window.
    proxy_ = std::make_unique<COvixAgentDlgAutoProxy>(window_.get(), *this);
    session_ = std::make_unique<platform::CAutomationServerSession>(channelFd_, *proxy_);
    channelFd_ = -1;
    channelNotifier_ = std::make_unique<QSocketNotifier>(session_->Fd(), QSocketNotifier::Read);
    connect(channelNotifier_.get(), &QSocketNotifier::activated, this,
            &CAgentApplication::OnChannelReadable);
    if (!session_->SendReady()) {
        ReleaseObject();
    }
}

void CAgentApplication::OnChannelReadable() {
    if (session_ &&
        session_->OnReadable() == platform::CAutomationServerSession::State::kReleased) {
        std::fprintf(stderr, "OvixAgent: %s\n", session_->EndReason().c_str());
        ReleaseObject();
    }
}

void CAgentApplication::ReleaseObject() {
    if (channelNotifier_) {
        channelNotifier_->setEnabled(false);
    }
    proxy_.reset();  // unlocks the program, which may close the window
}

void CAgentApplication::OnTerminationSignal() {
    signals_.Acknowledge();
    window_->close();  // stops the relay
    QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit,
                              Qt::QueuedConnection);
}

void CAgentApplication::OnMainWindowDestroyed() {
    Apply(lifetime_.OnMainWindowDestroyed());
}

void CAgentApplication::LockApp() {
    lifetime_.Lock();
}

void CAgentApplication::UnlockApp() {
    Apply(lifetime_.Unlock());
}

void CAgentApplication::Apply(CAgentLifetime::Action action) {
    if (shuttingDown_) {
        return;
    }
    switch (action) {
        case CAgentLifetime::Action::kNone:
            break;
        case CAgentLifetime::Action::kCloseMainWindow:
            window_->close();  // its destruction comes back here and quits
            break;
        case CAgentLifetime::Action::kQuit:
            // Queued, so it also works before the event loop has started.
            QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit,
                                      Qt::QueuedConnection);
            break;
    }
}

}  // namespace ovix::agent
