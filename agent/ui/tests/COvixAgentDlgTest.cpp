#include "agent/ui/COvixAgentDlg.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <QApplication>
#include <QDeadlineTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTreeWidget>
#include <filesystem>
#include <fstream>
#include <thread>

#include "agent/ui/AgentDialogLayout.h"
#include "agent/ui/AgentSettings.h"
#include "agent/ui/tests/RecordingRelay.h"
#include "platform/ipc/tests/TempFolder.h"
#include "platform/sys/ProfileFile.h"

namespace ovix::agent {
namespace {

class CCountingProxy : public IAgentAutoProxy {
public:
    void DetachWindow() override { ++detaches; }
    int detaches = 0;
};

class AgentWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = temp_.Path();
        ASSERT_FALSE(folder_.empty());
        settings_ = folder_ + "/OvixAgent.ini";
    }
    void TearDown() override { window_.reset(); }
    COvixAgentDlg& Window() {
        if (!window_) {
            window_ = std::make_unique<COvixAgentDlg>(std::make_unique<CRecordingRelay>(relay_),
                                                      settings_);
            QObject::connect(window_.get(), &COvixAgentDlg::WindowDestroyed,
                             [this] { ++destroyedSignals_; });
        }
        return *window_;
    }
    template <typename T>
    T* Control(int id) {
        for (T* widget : Window().findChildren<T*>()) {
            if (widget->property(layout::kControlIdProperty).toInt() == id) {
                return widget;
            }
        }
        return nullptr;
    }
    void PressKey(int key) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(&Window(), &press);
    }
    std::string ReadFile(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }

    platform::test::CTempFolder temp_;
    std::string folder_;
    std::string settings_;
    CRecordingRelay::Record relay_;
    std::unique_ptr<COvixAgentDlg> window_;
    int destroyedSignals_ = 0;
};

TEST_F(AgentWindowTest, ControlsFollowTheTemplateAndTheWindowStartsHidden) {
    COvixAgentDlg& window = Window();
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(window.windowTitle(), "OvixAgent");
    EXPECT_EQ(window.size(), QSize(458, 382));

    struct Expected {
        int id;
        QString text;
        QRect pixels;
    };
    const Expected buttons[] = {
        {layout::kIdSaveLog, "保存日志", QRect(117, 348, 75, 23)},
        {layout::kIdStart, "Start", QRect(200, 348, 75, 23)},
        {layout::kIdStop, "Stop", QRect(290, 348, 75, 23)},
        {layout::kIdExit, "退出", QRect(372, 348, 75, 23)},
    };
    for (const auto& expected : buttons) {
        QPushButton* button = Control<QPushButton>(expected.id);
        ASSERT_NE(button, nullptr) << expected.id;
        EXPECT_EQ(button->text(), expected.text);
        EXPECT_EQ(button->geometry(), expected.pixels) << expected.id;
    }
    QTreeWidget* list = Control<QTreeWidget>(layout::kIdLogList);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->geometry(), QRect(11, 11, 434, 231));
    EXPECT_EQ(list->columnCount(), 1);
    EXPECT_EQ(list->headerItem()->text(0), "日志描述");
    EXPECT_EQ(list->columnWidth(0), 700);
    ASSERT_NE(Control<QLineEdit>(layout::kIdAddressEdit), nullptr);
    ASSERT_NE(Control<QLineEdit>(layout::kIdPortEdit), nullptr);

    // Template order: list, label, address, label, port, save, start, stop, exit.
    QStringList order;
    for (QObject* child : window.children()) {
        if (auto* label = qobject_cast<QLabel*>(child)) {
            order << label->text();
        } else if (child->property(layout::kControlIdProperty).isValid()) {
            order << QString::number(child->property(layout::kControlIdProperty).toInt());
        }
    }
    EXPECT_EQ(order, QStringList({"1000", "服务器地址", "1005", "服务器端口", "1006", "1004",
                                  "1003", "1002", "1001"}));

    ASSERT_NE(window.WindowMenu(), nullptr);
    const auto actions = window.WindowMenu()->actions();
    ASSERT_EQ(actions.size(), 2);
    EXPECT_TRUE(actions[0]->isSeparator());
    EXPECT_EQ(actions[1]->text(), "关于 OvixAgent(&A)...");
    EXPECT_EQ(actions[1]->data().toInt(), layout::kIdAboutCommand);
    actions[1]->trigger();  // does nothing
    EXPECT_FALSE(window.isVisible());
}

TEST_F(AgentWindowTest, LogKeepsNewestOnTopAndEmptiesAfterThousandAndOneLines) {
    COvixAgentDlg& window = Window();
    for (int i = 1; i <= 1001; ++i) {
        window.AddLogLine("line " + std::to_string(i));
    }
    ASSERT_EQ(window.LogLines().size(), 1001u);
    EXPECT_EQ(window.LogLines().front(), "line 1001");
    EXPECT_EQ(window.LogLines().back(), "line 1");
    window.AddLogLine("line 1002");
    EXPECT_EQ(window.LogLines(), std::vector<std::string>{"line 1002"});
}

TEST_F(AgentWindowTest, LinesFromOtherThreadsArriveInEachThreadsOrder) {
    COvixAgentDlg& window = Window();
    constexpr int kThreads = 4;
    constexpr int kLines = 200;
    std::vector<std::thread> writers;
    for (int t = 0; t < kThreads; ++t) {
        writers.emplace_back([&window, t] {
            for (int i = 0; i < kLines; ++i) {
                window.AddLogLine(std::to_string(t) + ":" + std::to_string(i));
            }
        });
    }
    window.AddLogLine("from the window thread");
    for (auto& writer : writers) {
        writer.join();
    }
    QDeadlineTimer deadline(5000);
    while (window.LogLines().size() < kThreads * kLines + 1 && !deadline.hasExpired()) {
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    const auto lines = window.LogLines();
    ASSERT_EQ(lines.size(), static_cast<size_t>(kThreads * kLines + 1));
    std::vector<int> next(kThreads, kLines - 1);  // newest first, so counting down
    for (const auto& line : lines) {
        if (line == "from the window thread") {
            continue;
        }
        const int t = std::stoi(line.substr(0, line.find(':')));
        const int i = std::stoi(line.substr(line.find(':') + 1));
        ASSERT_EQ(i, next[t]) << line;
        --next[t];
    }
}

TEST_F(AgentWindowTest, SaveLogWritesNumberedLinesNewestFirst) {
    COvixAgentDlg& window = Window();
    window.AddLogLine("oldest");
    window.AddLogLine("启动 SIP 服务器成功");
    window.AddLogLine("newest");
    const std::string path = folder_ + "/sip.txt";
    std::ofstream(path) << "previous content that must go away";
    window.SetSaveFileChooser([&] { return QString::fromStdString(path); });
    Control<QPushButton>(layout::kIdSaveLog)->click();
    EXPECT_EQ(ReadFile(path),
              "1. newest\r\n\r\n2. \xe5\x90\xaf\xe5\x8a\xa8 SIP "
              "\xe6\x9c\x8d\xe5\x8a\xa1\xe5\x99\xa8\xe6\x88\x90\xe5\x8a\x9f\r\n\r\n3. "
              "oldest\r\n\r\n");

    // Cancelled dialog and a file that cannot be created: nothing happens, no crash.
    window.SetSaveFileChooser([] { return QString(); });
    Control<QPushButton>(layout::kIdSaveLog)->click();
    EXPECT_FALSE(window.SaveLog(QString::fromStdString(folder_ + "/no/such/dir/sip.txt")));
}

TEST_F(AgentWindowTest, StartTakesHostAndPortAndWritesTheSettings) {
    ASSERT_TRUE(platform::WriteProfileString(settings_, "SipAgent", "svraddr", "tunnel.example"));
    Window();
    EXPECT_EQ(Control<QLineEdit>(layout::kIdAddressEdit)->text(), "tunnel.example");
    EXPECT_EQ(Control<QLineEdit>(layout::kIdPortEdit)->text(), "80");  // default
    EXPECT_EQ(relay_.serverAddress, "tunnel.example");

    Control<QLineEdit>(layout::kIdAddressEdit)->setText("10.0.0.9:8080");
    Control<QLineEdit>(layout::kIdPortEdit)->setText("443");
    Control<QPushButton>(layout::kIdStart)->click();
    EXPECT_EQ(relay_.starts, std::vector<std::string>{"10.0.0.9:8080"});
    EXPECT_EQ(relay_.serverPort, 8080);  // the port edit does not decide the connection
    const AgentServerSettings saved = ReadAgentSettings(settings_);
    EXPECT_EQ(saved.address, "10.0.0.9");
    EXPECT_EQ(saved.port, "443");

    Control<QLineEdit>(layout::kIdAddressEdit)->setText("10.0.0.9");
    Control<QLineEdit>(layout::kIdPortEdit)->setText("443");
    Control<QPushButton>(layout::kIdStart)->click();
    EXPECT_EQ(relay_.serverPort, 80);

    Control<QPushButton>(layout::kIdStop)->click();
    EXPECT_EQ(relay_.stops, 1);
}

TEST_F(AgentWindowTest, EnterAndEscOnlyHideWhileAClientIsAttached) {
    COvixAgentDlg& window = Window();
    CCountingProxy proxy;
    window.SetAutoProxy(&proxy);
    window.ShowWindow();
    EXPECT_TRUE(window.isVisible());
    for (int key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
        window.ShowWindow();
        PressKey(key);
        EXPECT_FALSE(window.isVisible()) << key;
    }
    EXPECT_EQ(relay_.stops, 0);
    EXPECT_EQ(destroyedSignals_, 0);
    EXPECT_EQ(relay_.sink, &window);

    // The exit button destroys it anyway: the client is told, the relay stops.
    Control<QPushButton>(layout::kIdExit)->click();
    EXPECT_EQ(proxy.detaches, 1);
    EXPECT_EQ(relay_.stops, 1);
    EXPECT_EQ(relay_.sink, nullptr);
    EXPECT_EQ(destroyedSignals_, 1);
    window_.reset();  // destruction does not run the steps twice
    EXPECT_EQ(relay_.stops, 1);
}

TEST_F(AgentWindowTest, EnterWithoutAClientDestroysTheWindow) {
    for (int key : {Qt::Key_Return, Qt::Key_Escape}) {
        window_.reset();
        relay_ = {};
        destroyedSignals_ = 0;
        Window().ShowWindow();
        PressKey(key);
        EXPECT_EQ(destroyedSignals_, 1) << key;
        EXPECT_EQ(relay_.stops, 1) << key;
        EXPECT_FALSE(Window().isVisible());
    }
}

TEST_F(AgentWindowTest, AutomationCallsReachTheRelay) {
    COvixAgentDlg& window = Window();
    EXPECT_EQ(window.SipPort(), 0);
    EXPECT_EQ(window.StartAgent("127.0.0.1:9"), 0);
    EXPECT_EQ(window.SipPort(), 5060);
    EXPECT_EQ(window.SipBindAddress(), "127.0.0.1");
    window.DisconnectTunnel();
    EXPECT_EQ(relay_.disconnects, 1);
    EXPECT_EQ(window.StopAgent(), 0);
    EXPECT_EQ(relay_.stops, 1);
}

TEST_F(AgentWindowTest, ScreenshotWithLogLines) {
    ASSERT_TRUE(platform::WriteProfileString(settings_, "SipAgent", "svraddr", "127.0.0.1"));
    ASSERT_TRUE(platform::WriteProfileString(settings_, "SipAgent", "svrport", "80"));
    COvixAgentDlg& window = Window();
    window.AddLogLine("启动 SIP 服务器成功 ( IP : 127.0.0.1, Port : 5060 ) ！");
    window.AddLogLine("启动 RTP 服务器成功 ( IP : 127.0.0.1, Port : 10000 ) ！");
    window.AddLogLine("OPTIONS sip:127.0.0.1 SIP/2.0");
    window.AddLogLine("连接到 TS 服务器成功！( IP : 127.0.0.1, Port : 80 ) ！");
    window.ShowWindow();
    QApplication::processEvents();
    const QString path = QStringLiteral(OVIX_SCREENSHOT_DIR "/agent-window.png");
    ASSERT_TRUE(window.grab().save(path));
    EXPECT_GT(std::filesystem::file_size(path.toStdString()), 1000u);
}

}  // namespace
}  // namespace ovix::agent
