#include "agent/core/CLock.h"

#include <gtest/gtest.h>

namespace ovix::agent {
namespace {

TEST(CLockTest, KeepsItsResultCodes) {
    CLock lock;
    EXPECT_EQ(lock.Create(), -1);  // created with the object
    EXPECT_EQ(lock.Lock(), 0);
    EXPECT_EQ(lock.Unlock(), 0);
    lock.Destroy();
    EXPECT_EQ(lock.Lock(), -2);
    EXPECT_EQ(lock.Unlock(), -2);
    EXPECT_EQ(lock.Create(), 0);
    EXPECT_EQ(lock.Lock(), 0);
    EXPECT_FALSE(lock.try_lock());
    EXPECT_EQ(lock.Unlock(), 0);
}

}  // namespace
}  // namespace ovix::agent
