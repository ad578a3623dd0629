// The whole agent application in this process: the real window (with a recording relay),
// the automation object served on one end of a socket pair, and a client on the other end
// calling from its own thread while the event loop runs here.
#include "agent/app/AgentApplication.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QTimer>
#include <future>
#include <mutex>
#include <thread>

#include "agent/app/AgentAutomationIds.h"
#include "agent/app/OvixAgentClient.h"
#include "agent/ui/AgentDialogLayout.h"
#include "agent/ui/tests/RecordingRelay.h"
#include "platform/ipc/tests/TempFolder.h"

namespace ovix::agent {
namespace {

// Hands work from the client thread to the event loop's thread. The work travels under a
// std::mutex and the posted event carries nothing, so ThreadSanitizer sees the hand-off
// (Qt's own queue is invisible to it).
class CWindowThreadRunner : public QObject {
public:
    void Run(std::function<void()> work) {
        std::promise<void> done;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            work_ = std::move(work);
            done_ = &done;
        }
        QCoreApplication::postEvent(this, std::make_unique<QEvent>(QEvent::User).release());
        done.get_future().wait();
    }

protected:
    void customEvent(QEvent* /*event*/) override {
        std::lock_guard<std::mutex> lock(mutex_);
        if (work_) {
            work_();
            work_ = nullptr;
            done_->set_value();
        }
    }

private:
    std::mutex mutex_;
    std::function<void()> work_;          // guarded by mutex_
    std::promise<void>* done_ = nullptr;  // guarded by mutex_
};

class AgentApplicationTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = temp_.Path();
        ASSERT_FALSE(folder_.empty());
        ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds_), 0);
        auto window = std::make_unique<COvixAgentDlg>(std::make_unique<CRecordingRelay>(relay_),
                                                      folder_ + "/OvixAgent.ini");
        window_ = window.get();
        app_ = std::make_unique<CAgentApplication>(std::move(window), true, fds_[1]);
        app_->Start();
        platform::DispatchClientOptions options;
        options.callTimeoutMs = 5000;
        auto dispatch = std::make_unique<platform::CDispatchClient>(fds_[0], -1, options);
        ready_ = dispatch->WaitUntilReady();
        client_ = std::make_unique<COvixAgentClient>(std::move(dispatch));
    }
    void TearDown() override { app_.reset(); }
    // Runs the event loop until the application quits; false when it did not within 10 s.
    bool RunUntilQuit() {
        bool timedOut = false;
        QTimer watchdog;
        watchdog.setSingleShot(true);
        QObject::connect(&watchdog, &QTimer::timeout, [&] {
            timedOut = true;
            QApplication::quit();
        });
        watchdog.start(10000);
        QApplication::exec();
        return !timedOut;
    }
    // Runs work on the event loop's thread and waits for it (the client thread uses this to
    // press buttons between its calls).
    void OnWindowThread(std::function<void()> work) { runner_.Run(std::move(work)); }

    platform::test::CTempFolder temp_;
    std::string folder_;
    int fds_[2] = {-1, -1};
    CRecordingRelay::Record relay_;
    COvixAgentDlg* window_ = nullptr;
    std::unique_ptr<CAgentApplication> app_;
    std::unique_ptr<COvixAgentClient> client_;
    platform::HResult ready_ = platform::kE_FAIL;
    CWindowThreadRunner runner_;
};

TEST_F(AgentApplicationTest, ReleasingTheObjectClosesTheWindowAndStopsTheRelay) {
    ASSERT_EQ(ready_, platform::kS_OK);
    std::thread caller([&] {
        int16_t port = -1;
        int16_t result = -1;
        EXPECT_EQ(client_->GetSIPPort(port, result), platform::kS_OK);
        EXPECT_EQ(port, 0);
        std::string address = "127.0.0.1:9";
        int32_t started = -1;
        EXPECT_EQ(client_->StartAgent(address, started), platform::kS_OK);
        EXPECT_EQ(started, 0);
        EXPECT_EQ(client_->GetSIPPort(port, result), platform::kS_OK);
        EXPECT_EQ(port, 5060);
        EXPECT_EQ(client_->Show(0), platform::kS_OK);
        OnWindowThread([&] { EXPECT_FALSE(window_->isVisible()); });
        EXPECT_EQ(client_->Show(1), platform::kS_OK);
        OnWindowThread([&] { EXPECT_TRUE(window_->isVisible()); });
        EXPECT_EQ(client_->Show(0), platform::kS_OK);  // leaves a visible window visible
        OnWindowThread([&] {
            EXPECT_TRUE(window_->isVisible());
            QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
            QApplication::sendEvent(window_, &enter);
            EXPECT_FALSE(window_->isVisible());  // only hidden: a client is attached
        });
        EXPECT_EQ(client_->Show(0), platform::kS_OK);  // leaves a hidden window hidden
        OnWindowThread([&] {
            EXPECT_FALSE(window_->isVisible());
            EXPECT_EQ(relay_.stops, 0);  // the relay is the window thread's to read
        });
        client_->Release();
    });
    EXPECT_TRUE(RunUntilQuit());
    caller.join();
    EXPECT_EQ(relay_.starts, std::vector<std::string>{"127.0.0.1:9"});
    EXPECT_EQ(relay_.stops, 1);
    EXPECT_EQ(relay_.sink, nullptr);
}

TEST_F(AgentApplicationTest, CallsAfterTheWindowIsGoneGiveTheNoWindowResults) {
    ASSERT_EQ(ready_, platform::kS_OK);
    std::thread caller([&] {
        std::string address = "127.0.0.1:9";
        int32_t result = 7;
        EXPECT_EQ(client_->StartAgent(address, result), platform::kS_OK);
        OnWindowThread([&] {
            for (auto* button : window_->findChildren<QPushButton*>()) {
                if (button->property(layout::kControlIdProperty).toInt() == layout::kIdExit) {
                    button->click();
                }
            }
            EXPECT_EQ(relay_.stops, 1);
        });
        EXPECT_EQ(client_->StartAgent(address, result), platform::kS_OK);
        EXPECT_EQ(result, -1);
        EXPECT_EQ(client_->StopAgent(result), platform::kS_OK);
        EXPECT_EQ(result, -1);
        std::string sipAddress = "untouched";
        EXPECT_EQ(client_->GetSIPAddr(sipAddress, result), platform::kS_OK);
        EXPECT_EQ(result, 0);
        EXPECT_EQ(sipAddress, "untouched");
        int16_t port = 1234;
        int16_t portResult = 5;
        EXPECT_EQ(client_->GetSIPPort(port, portResult), platform::kS_OK);
        EXPECT_EQ(portResult, 0);
        EXPECT_EQ(port, 1234);
        EXPECT_EQ(client_->DisconnectTC(result), platform::kS_OK);
        EXPECT_EQ(result, 0);
        OnWindowThread([&] { EXPECT_EQ(relay_.disconnects, 0); });
        EXPECT_EQ(client_->Show(1), platform::kS_OK);
        client_->Release();  // the program ends only now
    });
    EXPECT_TRUE(RunUntilQuit());
    caller.join();
    EXPECT_EQ(relay_.stops, 1);
}

TEST_F(AgentApplicationTest, GarbageOnTheChannelEndsTheObjectCleanly) {
    ASSERT_EQ(ready_, platform::kS_OK);
    const uint8_t garbage[] = {0xff, 0xff, 0xff, 0xff, 1, 2, 3};
    ASSERT_EQ(write(client_ ? fds_[0] : -1, garbage, sizeof garbage),
              static_cast<ssize_t>(sizeof garbage));
    EXPECT_TRUE(RunUntilQuit());
    EXPECT_EQ(relay_.stops, 1);
    int32_t result = 0;
    EXPECT_EQ(client_->StopAgent(result), platform::kRPC_E_INVALID_DATAPACKET);
}

}  // namespace
}  // namespace ovix::agent
