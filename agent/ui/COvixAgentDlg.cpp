#include "agent/ui/COvixAgentDlg.h"

#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QFileDialog>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTreeWidget>

#include "agent/ui/AgentDialogLayout.h"
#include "agent/ui/AgentIcon.h"
#include "agent/ui/AgentSettings.h"
#include "agent/ui/LogFileText.h"

namespace ovix::agent {

namespace {

QRect ToPixels(const layout::DialogRect& r) {
    return QRect(layout::HorizontalPixels(r.x), layout::VerticalPixels(r.y),
                 layout::HorizontalPixels(r.width), layout::VerticalPixels(r.height));
}

uint16_t PortFromText(const QString& text) {
    // Read as a decimal integer: leading digits count, anything else reads as 0.
    const std::string s = text.trimmed().toStdString();
    unsigned value = 0;
    for (char c : s) {
        if (c < '0' || c > '9') {
            break;
        }
        value = value * 10 + static_cast<unsigned>(c - '0');
        if (value > 0xffffffu) {
            break;
        }
    }
    return static_cast<uint16_t>(value);
}

// Posted by other threads when log lines wait in the queue.
const QEvent::Type kDrainLogEvent = static_cast<QEvent::Type>(QEvent::registerEventType());

QString AskForSaveFile(QWidget* parent) {
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("txt"));
    dialog.setNameFilter(QStringLiteral("文本文件 (*.txt)"));
    dialog.selectFile(QStringLiteral("sip.txt"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    return dialog.selectedFiles().first();
}

}  // namespace

COvixAgentDlg::COvixAgentDlg(std::unique_ptr<IAgentRelay> relay, std::string settingsFile,
                             QWidget* parent)
    : QDialog(parent),
      relay_(std::move(relay)),
      settingsFile_(std::move(settingsFile)),
      windowThread_(std::this_thread::get_id()),
      chooseSaveFile_([this] { return AskForSaveFile(this); }) {
    relay_->SetLogSink(this);
    setWindowTitle(QStringLiteral("OvixAgent"));
    setWindowIcon(AgentIcon());
    setFixedSize(layout::HorizontalPixels(layout::kDialogSize.width),
                 layout::VerticalPixels(layout::kDialogSize.height));
    BuildControls();
    LoadSettings();
}

COvixAgentDlg::~COvixAgentDlg() {
    Destroy();
}

void COvixAgentDlg::BuildControls() {
    // Created in the order of the dialog template, which is also the tab order.
    logList_ = new QTreeWidget(this);
    logList_->setGeometry(ToPixels(layout::kLogListRect));
    logList_->setColumnCount(1);
    logList_->setHeaderLabels({QStringLiteral("日志描述")});
    logList_->headerItem()->setTextAlignment(0, Qt::AlignLeft | Qt::AlignVCenter);
    logList_->setColumnWidth(0, layout::kLogColumnWidth);
    logList_->header()->setStretchLastSection(false);
    logList_->setRootIsDecorated(false);
    logList_->setUniformRowHeights(true);
    logList_->setProperty(layout::kControlIdProperty, layout::kIdLogList);

    auto* addressLabel = new QLabel(QStringLiteral("服务器地址"), this);
    addressLabel->setGeometry(ToPixels(layout::kAddressLabelRect));
    addressEdit_ = new QLineEdit(this);
    addressEdit_->setGeometry(ToPixels(layout::kAddressEditRect));
    addressEdit_->setProperty(layout::kControlIdProperty, layout::kIdAddressEdit);

    auto* portLabel = new QLabel(QStringLiteral("服务器端口"), this);
    portLabel->setGeometry(ToPixels(layout::kPortLabelRect));
    portEdit_ = new QLineEdit(this);
    portEdit_->setGeometry(ToPixels(layout::kPortEditRect));
    portEdit_->setProperty(layout::kControlIdProperty, layout::kIdPortEdit);

    struct ButtonSpec {
        int id;
        const char* text;
        layout::DialogRect rect;
        void (COvixAgentDlg::*handler)();
    };
    const ButtonSpec buttons[] = {
        {layout::kIdSaveLog, "保存日志", layout::kSaveLogRect, &COvixAgentDlg::OnSaveLog},
        {layout::kIdStart, "Start", layout::kStartRect, &COvixAgentDlg::OnStart},
        {layout::kIdStop, "Stop", layout::kStopRect, &COvixAgentDlg::OnStop},
        {layout::kIdExit, "退出", layout::kExitRect, &COvixAgentDlg::OnExit},
    };
    for (const auto& entry : buttons) {
        auto* button = new QPushButton(QString::fromUtf8(entry.text), this);
        button->setGeometry(ToPixels(entry.rect));
        button->setProperty(layout::kControlIdProperty, entry.id);
        // Enter goes to the focused button or to OK, as in a dialog without a default button.
        button->setAutoDefault(false);
        connect(button, &QPushButton::clicked, this, entry.handler);
    }

    // Qt cannot add to the window manager's system menu; the same item lives in the window's
    // own menu, opened by a right click or Alt+Space.
    windowMenu_ = std::make_unique<QMenu>();
    windowMenu_->addSeparator();
    QAction* about = windowMenu_->addAction(QStringLiteral("关于 OvixAgent(&A)..."));
    about->setData(layout::kIdAboutCommand);  // chosen: nothing happens
}

void COvixAgentDlg::LoadSettings() {
    const AgentServerSettings settings = ReadAgentSettings(settingsFile_);
    relay_->SetServerAddress(settings.address);
    addressEdit_->setText(QString::fromStdString(settings.address));
    portEdit_->setText(QString::fromStdString(settings.port));
}

void COvixAgentDlg::AddLogLine(std::string_view text) {
    if (std::this_thread::get_id() == windowThread_) {
        DrainLogQueue();  // lines queued earlier go first
        if (!destroyed_) {
            InsertLogLine(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
        }
        return;
    }
    if (pendingLines_.Push(std::string(text))) {
        // One wake-up per batch through the toolkit's own event queue, which owns the event
        // from here. The event carries nothing: the lines travel in pendingLines_.
        QCoreApplication::postEvent(this, std::make_unique<QEvent>(kDrainLogEvent).release());
    }
}

void COvixAgentDlg::customEvent(QEvent* /*event*/) {
    // Only the drain event is posted to this window.
    DrainLogQueue();
}

void COvixAgentDlg::DrainLogQueue() {
    for (const auto& line : pendingLines_.TakeAll()) {
        if (!destroyed_) {
            InsertLogLine(QString::fromStdString(line));
        }
    }
}

void COvixAgentDlg::InsertLogLine(const QString& text) {
    if (logList_->topLevelItemCount() > layout::kMaxLogItems) {
        logList_->clear();
    }
    auto item = std::make_unique<QTreeWidgetItem>(QStringList{text});
    logList_->insertTopLevelItem(0, item.release());  // the list owns its items
}

std::vector<std::string> COvixAgentDlg::LogLines() const {
    std::vector<std::string> lines;
    const int count = logList_->topLevelItemCount();
    lines.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        lines.push_back(logList_->topLevelItem(i)->text(0).toStdString());
    }
    return lines;
}

int COvixAgentDlg::StartAgent(const std::string& address) {
    relay_->StartRelay(address);
    return 0;
}

int COvixAgentDlg::StopAgent() {
    relay_->StopRelay();
    return 0;
}

std::string COvixAgentDlg::SipBindAddress() const {
    return relay_->SipBindAddress();
}

uint16_t COvixAgentDlg::SipPort() const {
    return relay_->SipPort();
}

void COvixAgentDlg::ShowWindow() {
    show();
    raise();
    activateWindow();
}

void COvixAgentDlg::DisconnectTunnel() {
    relay_->DisconnectTunnel();
}

void COvixAgentDlg::SetAutoProxy(IAgentAutoProxy* proxy) {
    autoProxy_ = proxy;
}

bool COvixAgentDlg::CanExit() const {
    return autoProxy_ == nullptr;
}

void COvixAgentDlg::OnStart() {
    relay_->SetServerAddress(addressEdit_->text().toStdString());
    relay_->SetServerPort(PortFromText(portEdit_->text()));
    relay_->StartRelay(relay_->ServerAddress());
    AgentServerSettings settings;
    settings.address = relay_->ServerAddress();  // the host alone, the port part cut off
    settings.port = portEdit_->text().toStdString();
    WriteAgentSettings(settingsFile_, settings);  // not reported when it fails
}

void COvixAgentDlg::OnStop() {
    relay_->StopRelay();
}

void COvixAgentDlg::SetSaveFileChooser(std::function<QString()> chooser) {
    chooseSaveFile_ = std::move(chooser);
}

bool COvixAgentDlg::SaveLog(const QString& path) const {
    return WriteLogFile(path.toStdString(), LogLines());
}

void COvixAgentDlg::OnSaveLog() {
    const QString path = chooseSaveFile_ ? chooseSaveFile_() : QString();
    if (!path.isEmpty()) {
        SaveLog(path);  // a file that cannot be created is skipped silently
    }
}

void COvixAgentDlg::OnExit() {
    close();
}

void COvixAgentDlg::accept() {
    if (!CanExit()) {
        hide();
        return;
    }
    close();
}

void COvixAgentDlg::reject() {
    if (!CanExit()) {
        hide();
        return;
    }
    close();
}

void COvixAgentDlg::keyPressEvent(QKeyEvent* event) {
    if (event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier) {
        if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
            if (auto* button = qobject_cast<QPushButton*>(focusWidget())) {
                button->click();
            } else {
                accept();
            }
            return;
        }
    }
    if (event->key() == Qt::Key_Space && event->modifiers() == Qt::AltModifier) {
        windowMenu_->popup(mapToGlobal(QPoint(0, 0)));
        return;
    }
    QDialog::keyPressEvent(event);  // Esc -> reject()
}

void COvixAgentDlg::contextMenuEvent(QContextMenuEvent* event) {
    windowMenu_->popup(event->globalPos());
}

void COvixAgentDlg::closeEvent(QCloseEvent* event) {
    // The close command destroys the window like the exit button; QDialog's own handling
    // would turn it into Esc.
    event->accept();
    Destroy();
}

void COvixAgentDlg::Destroy() {
    if (destroyed_) {
        return;
    }
    destroyed_ = true;
    hide();
    if (autoProxy_ != nullptr) {
        autoProxy_->DetachWindow();
        autoProxy_ = nullptr;
    }
    relay_->SetLogSink(nullptr);
    relay_->StopRelay();
    emit WindowDestroyed();
}

}  // namespace ovix::agent
