#include "launcher/core/PackageSearch.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "launcher/tests/LauncherFixture.h"

namespace ovix::launcher {
namespace {

using test::CProgramFolder;

TEST(PackageSearchTest, PackageIsAFileNamedExactlyInTheDownloadFolder) {
    struct Case {
        const char* what;
        std::vector<std::string> folders;
        std::vector<std::string> files;
        bool pending;
    };
    const Case cases[] = {
        {"empty program folder", {}, {}, false},
        {"Download without the package", {"Download"}, {"Download/other.zip"}, false},
        {"the package", {}, {"Download/update.ovix"}, true},
        {"a folder named update.ovix", {"Download/update.ovix"}, {}, false},
        {"other letter case of the file", {}, {"Download/Update.ovix"}, false},
        {"other letter case of the folder", {}, {"download/update.ovix"}, false},
        {"trailing blank", {}, {"Download/update.ovix "}, false},
        {"package beside Download, not in it", {"Download"}, {"update.ovix"}, false},
        {"Download is a file", {}, {"Download"}, false},
        {"package plus other entries",
         {"Download/.cache"},
         {"Download/a", "Download/update.ovix"},
         true},
    };
    for (const Case& c : cases) {
        CProgramFolder programs;
        for (const std::string& folder : c.folders) {
            programs.MakeFolder(folder);
        }
        for (const std::string& file : c.files) {
            programs.MakeFile(file);
        }
        EXPECT_EQ(CheckUpdatePackage(programs.Path()), c.pending) << c.what;
    }
}

TEST(PackageSearchTest, NamesBeginningWithAFullStopAreNeverFound) {
    CProgramFolder programs;
    programs.MakeFolder(".hidden");
    programs.MakeFile(".profile");
    EXPECT_FALSE(FindSubfolder(programs.Path(), ".hidden"));
    EXPECT_FALSE(FindPackageFile(programs.Path(), ".profile"));
    EXPECT_FALSE(FindSubfolder(programs.Path(), "."));
    EXPECT_FALSE(FindSubfolder(programs.Path(), ".."));
}

TEST(PackageSearchTest, KindAndBytesMustMatch) {
    CProgramFolder programs;
    programs.MakeFolder("Download");
    programs.MakeFile("更新.ovix");
    EXPECT_TRUE(FindSubfolder(programs.Path(), "Download"));
    EXPECT_FALSE(FindPackageFile(programs.Path(), "Download"));
    EXPECT_TRUE(FindPackageFile(programs.Path(), "更新.ovix"));
    EXPECT_FALSE(FindSubfolder(programs.Path(), "更新.ovix"));
    EXPECT_FALSE(FindPackageFile(programs.Path(), "更新"));
    EXPECT_FALSE(FindPackageFile(programs.Path() + "/missing", "更新.ovix"));
}

TEST(PackageSearchTest, LinksCountAsWhatTheyPointTo) {
    CProgramFolder programs;
    programs.MakeFile("elsewhere/update.ovix");
    ASSERT_EQ(::symlink((programs.Path() + "/elsewhere").c_str(),
                        (programs.Path() + "/Download").c_str()),
              0);
    EXPECT_TRUE(CheckUpdatePackage(programs.Path()));
    ASSERT_EQ(::symlink("/nonexistent", (programs.Path() + "/dangling").c_str()), 0);
    EXPECT_FALSE(FindSubfolder(programs.Path(), "dangling"));
    EXPECT_TRUE(FindPackageFile(programs.Path(), "dangling"));
}

}  // namespace
}  // namespace ovix::launcher
