#include "platform/ipc/NamedObject.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

#include "platform/ipc/NamedEvent.h"
#include "platform/ipc/NamedMutex.h"
#include "platform/ipc/tests/TempFolder.h"

namespace ovix::platform {
namespace {

using test::CPrivateRuntime;

class NamedObjectTest : public testing::Test {
protected:
    std::string ObjectFile(const std::string& name) const {
        return runtime_.Runtime() + "/objects/" + name;
    }

    CPrivateRuntime runtime_;
};

TEST_F(NamedObjectTest, ExistsWhileAnyHandleHoldsIt) {
    CNamedMutex first = CNamedMutex::Create("pathMutex");
    ASSERT_TRUE(first.IsValid());
    EXPECT_FALSE(first.AlreadyExisted());
    EXPECT_TRUE(CNamedMutex::Exists("pathMutex"));

    CNamedMutex second = CNamedMutex::Create("pathMutex");
    ASSERT_TRUE(second.IsValid());
    EXPECT_TRUE(second.AlreadyExisted());

    first.Close();
    EXPECT_TRUE(CNamedMutex::Exists("pathMutex")) << "the second handle still holds it";
    second.Close();
    EXPECT_FALSE(CNamedMutex::Exists("pathMutex"));
    EXPECT_FALSE(std::filesystem::exists(ObjectFile("pathMutex")));

    CNamedMutex again = CNamedMutex::Create("pathMutex");
    EXPECT_FALSE(again.AlreadyExisted()) << "a vanished object is created afresh";
}

TEST_F(NamedObjectTest, EventOpensOnlyWhileItExists) {
    EXPECT_FALSE(CNamedEvent::Open("CLIENTOvix").IsValid());
    CNamedEvent held = CNamedEvent::Create("CLIENTOvix");
    ASSERT_TRUE(held.IsValid());
    CNamedEvent opened = CNamedEvent::Open("CLIENTOvix");
    EXPECT_TRUE(opened.IsValid());
    held.Close();
    EXPECT_TRUE(CNamedEvent::Open("CLIENTOvix").IsValid()) << "the opened handle keeps it";
    opened.Close();
    EXPECT_FALSE(CNamedEvent::Open("CLIENTOvix").IsValid());
}

TEST_F(NamedObjectTest, FileLeftWithoutHolderDoesNotCountAsObject) {
    // What a crashed last holder leaves: the file, without any lock on it.
    ASSERT_TRUE(CNamedObject::CreateOrOpen("warmup").IsValid());  // makes the folders
    std::ofstream(ObjectFile("CLIENTOvix")).put('x');
    std::ofstream(ObjectFile("mymutexforovix")).put('x');

    EXPECT_FALSE(CNamedEvent::Open("CLIENTOvix").IsValid());
    EXPECT_FALSE(std::filesystem::exists(ObjectFile("CLIENTOvix"))) << "cleaned up";
    CNamedMutex mutex = CNamedMutex::Create("mymutexforovix");
    ASSERT_TRUE(mutex.IsValid());
    EXPECT_FALSE(mutex.AlreadyExisted());
}

TEST_F(NamedObjectTest, HolderKilledLeavesNothingBehind) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        CNamedMutex mutex = CNamedMutex::Create("mymutexforovix");
        CNamedEvent event = CNamedEvent::Create("CLIENTOvix");
        for (;;) {
            ::pause();
        }
    }
    bool seen = false;
    for (int i = 0; i < 500 && !seen; ++i) {
        seen = CNamedMutex::Exists("mymutexforovix") && CNamedEvent::Open("CLIENTOvix").IsValid();
        if (!seen) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(seen) << "the child never held the objects";
    EXPECT_FALSE(CNamedMutex::Exists("mymutexforovix"));
    EXPECT_FALSE(CNamedEvent::Open("CLIENTOvix").IsValid());
    EXPECT_FALSE(CNamedMutex::Create("mymutexforovix").AlreadyExisted());
}

TEST_F(NamedObjectTest, ThreadsRacingToCreateSeeExactlyOneCreation) {
    constexpr int kRounds = 50;
    constexpr int kThreads = 4;
    for (int round = 0; round < kRounds; ++round) {
        std::atomic<int> ready{0};
        std::vector<CNamedMutex> handles(kThreads);
        std::vector<std::thread> threads;
        for (int t = 0; t < kThreads; ++t) {
            threads.emplace_back([&, t] {
                ready.fetch_add(1);
                while (ready.load() < kThreads) {
                    std::this_thread::yield();
                }
                handles[t] = CNamedMutex::Create("race");
            });
        }
        for (std::thread& thread : threads) {
            thread.join();
        }
        int created = 0;
        for (const CNamedMutex& handle : handles) {
            ASSERT_TRUE(handle.IsValid());
            created += handle.AlreadyExisted() ? 0 : 1;
        }
        ASSERT_EQ(created, 1) << "round " << round;
        handles.clear();
        ASSERT_FALSE(CNamedMutex::Exists("race"));
    }
}

TEST_F(NamedObjectTest, BadNamesGiveNoHandle) {
    const std::string tooLong(201, 'a');
    for (const std::string& name :
         {std::string(), std::string("."), std::string(".."), std::string("a/b"),
          std::string("../x"), tooLong, std::string("a\0b", 3)}) {
        EXPECT_FALSE(CNamedMutex::Create(name).IsValid()) << name;
        EXPECT_FALSE(CNamedEvent::Open(name).IsValid()) << name;
    }
    EXPECT_TRUE(CNamedMutex::Create(std::string(200, 'a')).IsValid());
    EXPECT_TRUE(CNamedMutex::Create("with space and \\ backslash").IsValid());
}

TEST_F(NamedObjectTest, MovedHandleKeepsTheObject) {
    CNamedMutex moved;
    {
        CNamedMutex original = CNamedMutex::Create("DownMutex");
        moved = std::move(original);
    }
    EXPECT_TRUE(CNamedMutex::Exists("DownMutex"));
    moved = CNamedMutex();
    EXPECT_FALSE(CNamedMutex::Exists("DownMutex"));
}

}  // namespace
}  // namespace ovix::platform
