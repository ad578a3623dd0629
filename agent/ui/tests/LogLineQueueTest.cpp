#include "agent/ui/LogLineQueue.h"

#include <gtest/gtest.h>

namespace ovix::agent {
namespace {

TEST(LogLineQueue, SignalsFirstLineOnlyAndDropsOldestWhenFull) {
    CLogLineQueue queue(3);
    EXPECT_TRUE(queue.Push("1"));
    EXPECT_FALSE(queue.Push("2"));
    EXPECT_FALSE(queue.Push("3"));
    EXPECT_FALSE(queue.Push("4"));
    EXPECT_EQ(queue.Dropped(), 1u);
    EXPECT_EQ(queue.TakeAll(), (std::vector<std::string>{"2", "3", "4"}));
    EXPECT_TRUE(queue.TakeAll().empty());
    EXPECT_TRUE(queue.Push("5"));  // empty again: the next drain must be scheduled
}

}  // namespace
}  // namespace ovix::agent
