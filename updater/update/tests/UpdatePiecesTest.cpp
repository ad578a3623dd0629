#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <vector>

#include "platform/sys/DesktopFolder.h"
#include "updater/update/DesktopShortcut.h"
#include "updater/update/DiskFullMessage.h"
#include "updater/update/PendingPackage.h"
#include "updater/update/UpdateServerUrl.h"
#include "updater/update/tests/TempFolder.h"

namespace ovix::updater {
namespace {

namespace fs = std::filesystem;
using testing::CTempFolder;
using testing::ReadFile;
using testing::WriteFile;

TEST(PendingPackage, OnlyAFileNamedExactlyUpdateOvixCounts) {
    CTempFolder folder;
    const fs::path download = fs::path(folder.Path()) / "Download";
    EXPECT_FALSE(IsPackagePending(folder.Path())) << "no Download folder";
    fs::create_directory(download);
    EXPECT_FALSE(IsPackagePending(folder.Path())) << "empty folder";
    fs::create_directory(download / "update.ovix");
    WriteFile((download / "Update.ovix").string(), "x");
    WriteFile((download / "update.ovix.down").string(), "x");
    EXPECT_FALSE(IsPackagePending(folder.Path())) << "a folder, other case, a temporary file";
    fs::remove(download / "update.ovix");
    WriteFile((download / "update.ovix").string(), "");
    EXPECT_TRUE(IsPackagePending(folder.Path()));
}

TEST(UpdateServerUrl, EnvironmentBeatsFileBeatsDefault) {
    CTempFolder folder;
    const std::string ini = folder.Path() + "/ovix.ini";
    const char* def = "http://default.test";
    EXPECT_EQ(ChooseUpdateServerUrl(nullptr, ini, def), "http://default.test") << "no file";
    WriteFile(ini, "[Other]\nurl=http://other.test\n[Update]\nurl = http://file.test/ovix/\n");
    EXPECT_EQ(ChooseUpdateServerUrl(nullptr, ini, def), "http://file.test/ovix");
    EXPECT_EQ(ChooseUpdateServerUrl("", ini, def), "http://file.test/ovix") << "empty = unset";
    EXPECT_EQ(ChooseUpdateServerUrl("http://env.test:8080/", ini, def), "http://env.test:8080");
    WriteFile(ini, "[Update]\nurl=\n");
    EXPECT_EQ(ChooseUpdateServerUrl(nullptr, ini, def), "http://default.test");
    EXPECT_EQ(ChooseUpdateServerUrl(nullptr, "", def), "http://default.test");
}

TEST(DiskFullMessage, TextFollowsTheOemCodePage) {
    EXPECT_EQ(DiskFullMessageFor(936).text, "磁盘空间不足");
    EXPECT_EQ(DiskFullMessageFor(950).text, "磁碟空間不足");
    for (unsigned page : {437u, 850u, 932u, 0u}) {
        EXPECT_EQ(DiskFullMessageFor(page).text, "There is no enough space on the disk to use.");
    }
    for (unsigned page : {936u, 950u, 437u}) {
        EXPECT_EQ(DiskFullMessageFor(page).caption, "Ovix auto update");
    }
}

TEST(DesktopShortcut, EntryStartsTheLauncherFromItsFolder) {
    EXPECT_EQ(DesktopEntryText("/opt/ovix"),
              "[Desktop Entry]\nType=Application\nVersion=1.0\nName=Ovix\nComment=Ovix\n"
              "Exec=\"/opt/ovix/Ovix\"\nPath=/opt/ovix\nTerminal=false\n");
    // Quoting inside Exec, then the string escapes of the file format on top of it.
    const std::string entry = DesktopEntryText("/home/a b/100%\"$`\\x");
    EXPECT_NE(entry.find("Exec=\"/home/a b/100%%\\\\\"\\\\$\\\\`\\\\\\\\x/Ovix\"\n"),
              std::string::npos)
        << entry;
    EXPECT_NE(entry.find("Path=/home/a b/100%\"$`\\\\x\n"), std::string::npos) << entry;
}

TEST(DesktopShortcut, WritesAnExecutableEntryReplacingTheOldOne) {
    CTempFolder folder;
    const std::string desktop = folder.Path() + "/Desktop";
    EXPECT_FALSE(MakeDesktopShortcut("/opt/ovix", desktop)) << "the folder is not created";
    EXPECT_FALSE(MakeDesktopShortcut("/opt/ovix", ""));
    fs::create_directory(desktop);
    WriteFile(desktop + "/ovix.desktop", "old");
    EXPECT_TRUE(MakeDesktopShortcut("/opt/ovix", desktop));
    EXPECT_EQ(ReadFile(desktop + "/ovix.desktop"), DesktopEntryText("/opt/ovix"));
    struct stat st {};
    ASSERT_EQ(::stat((desktop + "/ovix.desktop").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0755u);
}

// Sets environment variables for one test and puts the old values back.
class CScopedEnvironment {
public:
    void Set(const char* name, const std::string& value) {
        const char* old = std::getenv(name);
        m_saved.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
        ::setenv(name, value.c_str(), 1);
    }
    ~CScopedEnvironment() {
        for (auto it = m_saved.rbegin(); it != m_saved.rend(); ++it) {
            if (it->second) {
                ::setenv(it->first.c_str(), it->second->c_str(), 1);
            } else {
                ::unsetenv(it->first.c_str());
            }
        }
    }

private:
    std::vector<std::pair<std::string, std::optional<std::string>>> m_saved;
};

TEST(DesktopFolder, AsksXdgUserDirAndFallsBackToHomeDesktop) {
    CTempFolder home;
    CScopedEnvironment env;
    env.Set("HOME", home.Path());
    env.Set("XDG_CONFIG_HOME", home.Path() + "/.config");
    EXPECT_EQ(platform::DesktopFolder(), home.Path() + "/Desktop");
    fs::create_directory(home.Path() + "/.config");
    WriteFile(home.Path() + "/.config/user-dirs.dirs", "XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n");
    EXPECT_EQ(platform::DesktopFolder(), home.Path() + "/Schreibtisch");
    env.Set("PATH", home.Path());  // no tool to ask
    EXPECT_EQ(platform::DesktopFolder(), home.Path() + "/Desktop");
}

}  // namespace
}  // namespace ovix::updater
