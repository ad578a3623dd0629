// The agent window with the real relay core: what Start does with the address and port
// edits, and a real connection to a tunnel server on 127.0.0.1. The address 10.0.0.9 is
// only parsed, never contacted: no SIP datagram is sent in that case.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QDeadlineTimer>
#include <QLineEdit>
#include <QPushButton>

#include "agent/app/AgentCoreRelay.h"
#include "agent/ui/AgentDialogLayout.h"
#include "agent/ui/AgentSettings.h"
#include "agent/ui/COvixAgentDlg.h"
#include "platform/ipc/tests/TempFolder.h"

namespace ovix::agent {
namespace {

class AgentCoreWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("OVIX_LOCAL_ADDRESSES", "127.0.0.1", 1);
        folder_ = temp_.Path();
        ASSERT_FALSE(folder_.empty());
        settings_ = folder_ + "/OvixAgent.ini";
        auto relay = MakeAgentCoreRelay();
        relay_ = relay.get();
        window_ = std::make_unique<COvixAgentDlg>(std::move(relay), settings_);
    }
    void TearDown() override { window_.reset(); }
    template <typename T>
    T* Control(int id) {
        for (T* widget : window_->findChildren<T*>()) {
            if (widget->property(layout::kControlIdProperty).toInt() == id) {
                return widget;
            }
        }
        return nullptr;
    }
    void Start(const QString& address, const QString& port) {
        Control<QLineEdit>(layout::kIdAddressEdit)->setText(address);
        Control<QLineEdit>(layout::kIdPortEdit)->setText(port);
        Control<QPushButton>(layout::kIdStart)->click();
    }
    bool WaitForLogLine(const std::string& prefix) {
        QDeadlineTimer deadline(5000);
        while (!deadline.hasExpired()) {
            QApplication::processEvents(QEventLoop::AllEvents, 20);
            for (const auto& line : window_->LogLines()) {
                if (line.rfind(prefix, 0) == 0) {
                    return true;
                }
            }
        }
        return false;
    }

    platform::test::CTempFolder temp_;
    std::string folder_;
    std::string settings_;
    IAgentRelay* relay_ = nullptr;
    std::unique_ptr<COvixAgentDlg> window_;
};

TEST_F(AgentCoreWindowTest, StartTakesThePortFromTheAddressAndWritesTheSettings) {
    Start("10.0.0.9:8080", "443");
    EXPECT_EQ(relay_->ServerAddress(), "10.0.0.9");
    EXPECT_EQ(relay_->ServerPort(), 8080);
    const AgentServerSettings saved = ReadAgentSettings(settings_);
    EXPECT_EQ(saved.address, "10.0.0.9");
    EXPECT_EQ(saved.port, "443");
    EXPECT_TRUE(WaitForLogLine("启动 SIP 服务器成功 ( IP : 127.0.0.1, Port : "));
    EXPECT_GE(relay_->SipPort(), 5060);

    Start("10.0.0.9", "443");
    EXPECT_EQ(relay_->ServerPort(), 80);
    Control<QPushButton>(layout::kIdStop)->click();
    EXPECT_TRUE(WaitForLogLine("SIP 服务器已经停止！"));
}

TEST_F(AgentCoreWindowTest, FirstSipDatagramConnectsToTheTunnelServerOfTheAddressEdit) {
    const int listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(listen(listener, 4), 0);
    socklen_t length = sizeof address;
    getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
    const int port = ntohs(address.sin_port);

    Start(QString("127.0.0.1:%1").arg(port), "1");
    ASSERT_GE(relay_->SipPort(), 5060);
    const int phone = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in sip{};
    sip.sin_family = AF_INET;
    sip.sin_port = htons(relay_->SipPort());
    sip.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const char request[] = "OPTIONS sip:ping@127.0.0.1 SIP/2.0\r\n\r\n";
    ASSERT_GT(sendto(phone, request, sizeof request - 1, 0, reinterpret_cast<sockaddr*>(&sip),
                     sizeof sip),
              0);
    pollfd pfd{listener, POLLIN, 0};
    EXPECT_EQ(poll(&pfd, 1, 5000), 1) << "the agent did not connect to port " << port;
    EXPECT_TRUE(WaitForLogLine("连接到 TS 服务器成功！( IP : 127.0.0.1, Port : 80 ) ！"));
    EXPECT_TRUE(WaitForLogLine("OPTIONS sip:ping@127.0.0.1"));
    window_.reset();  // stops the relay before the sockets go
    close(phone);
    close(listener);
}

}  // namespace
}  // namespace ovix::agent
