#include "platform/sys/ProgramFolder.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

namespace ovix::platform {
namespace {

TEST(ProgramFolderTest, IsTheFolderOfTheRunningProgramWithoutTrailingSlash) {
    const std::string folder = ProgramFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_NE(folder.back(), '/');
    EXPECT_EQ(std::filesystem::path(folder),
              std::filesystem::canonical("/proc/self/exe").parent_path());
}

}  // namespace
}  // namespace ovix::platform
