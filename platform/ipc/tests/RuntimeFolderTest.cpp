#include "platform/ipc/RuntimeFolder.h"

#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/ipc/NamedMutex.h"
#include "platform/ipc/tests/TempFolder.h"

namespace ovix::platform {
namespace {

using test::CTempFolder;

class EnvironmentScope {
public:
    EnvironmentScope(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) {
            old_ = old;
            hadOld_ = true;
        }
        if (value != nullptr) {
            ::setenv(name, value, 1);
        } else {
            ::unsetenv(name);
        }
    }
    ~EnvironmentScope() {
        if (hadOld_) {
            ::setenv(name_, old_.c_str(), 1);
        } else {
            ::unsetenv(name_);
        }
    }

private:
    const char* name_;
    std::string old_;
    bool hadOld_ = false;
};

TEST(RuntimeFolderTest, PathComesFromOvixVariableThenXdgThenTmp) {
    struct Case {
        const char* ovix;
        const char* xdg;
        std::string expected;
    };
    const std::string fallback = "/tmp/ovix-" + std::to_string(::geteuid());
    const Case cases[] = {
        {"/some/where", "/run/user/7", "/some/where"},
        {"", "/run/user/7", "/run/user/7/ovix"},
        {nullptr, "/run/user/7", "/run/user/7/ovix"},
        {nullptr, nullptr, fallback},
        {nullptr, "", fallback},
    };
    for (const Case& c : cases) {
        EnvironmentScope ovix(kRuntimeFolderVariable, c.ovix);
        EnvironmentScope xdg("XDG_RUNTIME_DIR", c.xdg);
        EXPECT_EQ(RuntimeFolderPath(), c.expected) << (c.ovix ? c.ovix : "(unset)");
    }
}

TEST(RuntimeFolderTest, MissingFolderIsCreatedPrivate) {
    CTempFolder base;
    const std::string folder = base.Path() + "/run";
    std::string error;
    ASSERT_TRUE(PrepareRuntimeFolder(folder, &error)) << error;
    struct stat info {};
    ASSERT_EQ(::lstat(folder.c_str(), &info), 0);
    EXPECT_TRUE(S_ISDIR(info.st_mode));
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    // A second look at the same folder accepts it.
    EXPECT_TRUE(PrepareRuntimeFolder(folder, &error)) << error;
}

TEST(RuntimeFolderTest, UnsafeFoldersAreRefusedWithTheReason) {
    CTempFolder base;
    struct Case {
        const char* name;
        const char* reason;  // part of the message
    };
    const std::string loose = base.Path() + "/loose";
    ASSERT_EQ(::mkdir(loose.c_str(), 0700), 0);
    ASSERT_EQ(::chmod(loose.c_str(), 0755), 0);
    const std::string groupOnly = base.Path() + "/group";
    ASSERT_EQ(::mkdir(groupOnly.c_str(), 0700), 0);
    ASSERT_EQ(::chmod(groupOnly.c_str(), 0710), 0);
    const std::string link = base.Path() + "/link";
    const std::string good = base.Path() + "/good";
    ASSERT_EQ(::mkdir(good.c_str(), 0700), 0);
    ASSERT_EQ(::symlink(good.c_str(), link.c_str()), 0);
    const std::string file = base.Path() + "/file";
    FILE* created = std::fopen(file.c_str(), "w");
    ASSERT_NE(created, nullptr) << file;
    std::fclose(created);
    const Case cases[] = {
        {"loose", "mode 0755"},   {"group", "mode 0710"},           {"link", "symbolic link"},
        {"file", "not a folder"}, {"missing/run", "cannot create"},
    };
    for (const Case& c : cases) {
        std::string error;
        const std::string folder = base.Path() + "/" + c.name;
        EXPECT_FALSE(PrepareRuntimeFolder(folder, &error)) << folder;
        EXPECT_NE(error.find(folder), std::string::npos) << error;
        EXPECT_NE(error.find(c.reason), std::string::npos) << error;
    }
}

TEST(RuntimeFolderTest, FolderOfAnotherUserIsRefusedAndNamedObjectsFail) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root to hand a folder to another user";
    }
    const passwd* nobody = ::getpwnam("nobody");
    ASSERT_NE(nobody, nullptr);
    CTempFolder base;
    const std::string folder = base.Path() + "/run";
    ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
    ASSERT_EQ(::chown(folder.c_str(), nobody->pw_uid, nobody->pw_gid), 0);
    std::string error;
    EXPECT_FALSE(PrepareRuntimeFolder(folder, &error));
    EXPECT_NE(error.find("owned by uid " + std::to_string(nobody->pw_uid)), std::string::npos)
        << error;

    EnvironmentScope scope(kRuntimeFolderVariable, folder.c_str());
    testing::internal::CaptureStderr();
    EXPECT_EQ(RuntimeFolder(), "");
    EXPECT_FALSE(CNamedMutex::Create("pathMutex").IsValid());
    const std::string printed = testing::internal::GetCapturedStderr();
    EXPECT_NE(printed.find("runtime folder " + folder + " refused"), std::string::npos) << printed;
}

}  // namespace
}  // namespace ovix::platform
