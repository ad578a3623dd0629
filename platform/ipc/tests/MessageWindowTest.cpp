#include "platform/ipc/MessageWindow.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>

#include "platform/ipc/WindowClass.h"
#include "platform/ipc/tests/TempFolder.h"

namespace ovix::platform {
namespace {

using test::CPrivateRuntime;

class MessageWindowTest : public testing::Test {
protected:
    std::string SocketFile(const std::string& windowClass) const {
        return runtime_.Runtime() + "/windows/" + windowClass;
    }

    // Sends raw bytes to a window socket, as a careless or hostile sender might.
    void SendRaw(const std::string& windowClass, const std::string& bytes) {
        const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        ASSERT_GE(fd, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const std::string path = SocketFile(windowClass);
        std::memcpy(address.sun_path, path.data(), path.size());
        EXPECT_EQ(::sendto(fd, bytes.data(), bytes.size(), 0,
                           reinterpret_cast<const sockaddr*>(&address), sizeof(address)),
                  static_cast<ssize_t>(bytes.size()));
        ::close(fd);
    }

    CPrivateRuntime runtime_;
};

TEST_F(MessageWindowTest, PostedMessagesArriveInOrder) {
    EXPECT_FALSE(FindWindowByClass("Ovixmain"));
    EXPECT_FALSE(PostWindowMessage("Ovixmain", 10024, 0, 0));

    CMessageWindow window = CMessageWindow::Create("Ovixmain");
    ASSERT_TRUE(window.IsValid());
    EXPECT_TRUE(FindWindowByClass("Ovixmain"));
    EXPECT_FALSE(FindWindowByClass("Other"));

    EXPECT_TRUE(PostWindowMessage("Ovixmain", 10024, 0, 0));
    EXPECT_TRUE(PostWindowMessage("Ovixmain", 3024, UINTPTR_MAX, INTPTR_MIN));
    EXPECT_EQ(window.Receive(1000), (WindowMessage{10024, 0, 0}));
    EXPECT_EQ(window.Receive(1000), (WindowMessage{3024, UINTPTR_MAX, INTPTR_MIN}));
    EXPECT_EQ(window.Receive(0), std::nullopt);
}

TEST_F(MessageWindowTest, OneLiveWindowPerClassAndItsFileGoesWithIt) {
    CMessageWindow first = CMessageWindow::Create("Ovixmain");
    ASSERT_TRUE(first.IsValid());
    EXPECT_FALSE(CMessageWindow::Create("Ovixmain").IsValid());
    first.Destroy();
    EXPECT_FALSE(std::filesystem::exists(SocketFile("Ovixmain")));
    EXPECT_FALSE(FindWindowByClass("Ovixmain"));
    EXPECT_TRUE(CMessageWindow::Create("Ovixmain").IsValid());
}

TEST_F(MessageWindowTest, StaleSocketOfCrashedOwnerIsReplaced) {
    {
        CMessageWindow warmup = CMessageWindow::Create("warmup");  // makes the folders
    }
    // A bound socket whose owner went away without removing it, as after a crash.
    const int fd = ::socket(AF_UNIX, SOCK_DGRAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string path = SocketFile("Ovixmain");
    std::memcpy(address.sun_path, path.data(), path.size());
    ASSERT_EQ(::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)), 0);
    ::close(fd);
    ASSERT_TRUE(std::filesystem::exists(path));

    EXPECT_FALSE(FindWindowByClass("Ovixmain"));
    EXPECT_FALSE(PostWindowMessage("Ovixmain", 10024, 0, 0));
    CMessageWindow window = CMessageWindow::Create("Ovixmain");
    ASSERT_TRUE(window.IsValid());
    EXPECT_TRUE(PostWindowMessage("Ovixmain", 10024, 0, 0));
    EXPECT_EQ(window.Receive(1000), (WindowMessage{10024, 0, 0}));
}

TEST_F(MessageWindowTest, MalformedDatagramsAreDropped) {
    CMessageWindow window = CMessageWindow::Create("Ovixmain");
    ASSERT_TRUE(window.IsValid());
    for (const std::string& bad :
         {std::string(), std::string("hello"), std::string("1 2"), std::string("1 2 3 4"),
          std::string("1  2 3"), std::string("-1 0 0"), std::string("1 -2 3"),
          std::string("99999999999 0 0"), std::string("1 2 3\n"), std::string(300, '7')}) {
        SendRaw("Ovixmain", bad);
    }
    SendRaw("Ovixmain", "3024 1 -1");
    EXPECT_EQ(window.Receive(1000), (WindowMessage{3024, 1, -1}));
    EXPECT_EQ(window.Receive(0), std::nullopt);
}

TEST_F(MessageWindowTest, FullQueueFailsThePostInsteadOfBlocking) {
    CMessageWindow window = CMessageWindow::Create("Ovixmain");
    ASSERT_TRUE(window.IsValid());
    int posted = 0;
    while (posted < 100000 && PostWindowMessage("Ovixmain", 10024, 0, 0)) {
        ++posted;
    }
    EXPECT_LT(posted, 100000) << "the queue never filled";
    EXPECT_GT(posted, 0);
    EXPECT_TRUE(window.Receive(0).has_value());
    EXPECT_TRUE(PostWindowMessage("Ovixmain", 10024, 0, 0)) << "room again after one is read";
}

TEST_F(MessageWindowTest, DeepRuntimeFolderStillWorksButAnOverlongClassDoesNot) {
    // A runtime folder path far longer than a Unix socket address can hold.
    std::string deep = runtime_.Base();
    for (int level = 0; level < 6; ++level) {
        deep += "/" + std::string(40, static_cast<char>('a' + level));
    }
    std::filesystem::create_directories(deep);
    ::setenv(kRuntimeFolderVariable, (deep + "/run").c_str(), 1);
    {
        CMessageWindow window = CMessageWindow::Create("Ovixmain");
        ASSERT_TRUE(window.IsValid());
        EXPECT_TRUE(std::filesystem::exists(deep + "/run/windows/Ovixmain"));
        EXPECT_TRUE(FindWindowByClass("Ovixmain"));
        EXPECT_TRUE(PostWindowMessage("Ovixmain", 10024, 0, 0));
        EXPECT_EQ(window.Receive(1000), (WindowMessage{10024, 0, 0}));
        EXPECT_FALSE(CMessageWindow::Create("Ovixmain").IsValid());
    }
    EXPECT_FALSE(std::filesystem::exists(deep + "/run/windows/Ovixmain"));

    const std::string longClass(150, 'c');
    EXPECT_FALSE(CMessageWindow::Create(longClass).IsValid());
    EXPECT_FALSE(FindWindowByClass(longClass));
    EXPECT_FALSE(CMessageWindow::Create("a/b").IsValid());
}

}  // namespace
}  // namespace ovix::platform
