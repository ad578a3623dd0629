#include "updater/update/UpdateProcedure.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "common/tagreader/ControlFile.h"
#include "updater/update/tests/FakeEnvironment.h"
#include "updater/update/tests/TempFolder.h"

namespace ovix::updater {
namespace {

using testing::CFakeEnvironment;
using testing::CTempFolder;
using ::testing::ElementsAre;
using testing::ReadFile;
using testing::WriteFile;

std::string ControlFile(int patch, int launcher) {
    return "<upcontrol>\r\n  <patch version=\"" + std::to_string(patch) + "\"/>\r\n  <ovix>" +
           std::to_string(launcher) + "</ovix>\r\n</upcontrol>\r\n";
}

class UpdateProcedureTest : public ::testing::Test {
protected:
    UpdateProcedureTest() : m_paths(m_folder.Path()) {
        m_env.served["/patch/v1.ovix"] = "full package";
        m_env.served["/patch/v2.ovix"] = "step package";
        m_env.served["/patch/Ovix"] = "new launcher";
    }

    void Serve(int patch, int launcher) {
        m_env.served["/patch/conupdate.cfg"] = ControlFile(patch, launcher);
    }
    void Install(int patch, int launcher) {
        WriteFile(m_paths.localControl, ControlFile(patch, launcher));
    }

    void Run(LauncherWait wait = {3, std::chrono::milliseconds(1)}) {
        CUpdateProcedure procedure(m_folder.Path(), testing::kServerUrl, m_env, wait);
        procedure.RunUpdate();
        m_downloaded = procedure.PackageDownloaded();
    }

    // Forgets what an earlier case left: the journal and the downloaded package.
    void Reset() {
        m_env.journal.clear();
        std::filesystem::remove(m_paths.package);
    }

    int RecordedLauncher() const {
        int patch = -2;
        int launcher = 0;
        tagreader::ReadControlFile(m_paths.localControl, patch, launcher);
        return launcher;
    }

    CTempFolder m_folder;
    UpdatePaths m_paths;
    CFakeEnvironment m_env;
    bool m_downloaded = false;
};

TEST_F(UpdateProcedureTest, PackageFollowsTheDifferenceOfPatchLevels) {
    struct Case {
        int local;
        int server;
        const char* package;  // nullptr: none
    } cases[] = {
        {12, 13, "/patch/v2.ovix"}, {12, 15, "/patch/v1.ovix"},
        {12, 11, "/patch/v1.ovix"}, {12, 12, nullptr},
        {-5, -4, "/patch/v2.ovix"}, {-2147483647 - 1, 2147483647, "/patch/v1.ovix"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.local) + " -> " + std::to_string(c.server));
        Reset();
        Install(c.local, 7);
        Serve(c.server, 7);
        Run();
        std::vector<std::string> expected = {"/patch/conupdate.cfg"};
        if (c.package != nullptr) {
            expected.push_back(c.package);
        }
        EXPECT_EQ(m_env.Jobs(), expected);
        EXPECT_EQ(m_downloaded, c.package != nullptr);
        if (c.package != nullptr) {
            EXPECT_EQ(ReadFile(m_paths.package),
                      std::string(c.package) == "/patch/v2.ovix" ? "step package" : "full package");
            EXPECT_EQ(m_env.journal.back(), "notify");
        } else {
            EXPECT_THAT(m_env.journal, ElementsAre("job /patch/conupdate.cfg"));
        }
        EXPECT_FALSE(std::filesystem::exists(m_paths.serverControl)) << "deleted after reading";
    }
}

TEST_F(UpdateProcedureTest, LocalFileWithoutPatchElementCountsAsLevelMinusTwo) {
    WriteFile(m_paths.localControl, "<upcontrol>\r\n  <ovix>7</ovix>\r\n</upcontrol>\r\n");
    Serve(3, 8);
    Run();
    EXPECT_EQ(m_env.Jobs(),
              (std::vector<std::string>{"/patch/conupdate.cfg", "/patch/v1.ovix", "/patch/Ovix"}));
    // Nothing can be recorded in such a file, so the launcher comes again on the next run.
    EXPECT_EQ(ReadFile(m_paths.localControl),
              "<upcontrol>\r\n  <ovix>7</ovix>\r\n</upcontrol>\r\n");

    Reset();
    Serve(-1, 0);  // -2 + 1: the step package
    Run();
    EXPECT_EQ(m_env.Jobs(), (std::vector<std::string>{"/patch/conupdate.cfg", "/patch/v2.ovix"}));
}

TEST_F(UpdateProcedureTest, ServerFileWithoutPatchElementFetchesNothingElse) {
    Install(12, 7);
    for (const char* server : {"<upcontrol><ovix>9</ovix></upcontrol>", "not a control file"}) {
        SCOPED_TRACE(server);
        Reset();
        m_env.served["/patch/conupdate.cfg"] = server;
        Run();
        EXPECT_THAT(m_env.journal, ElementsAre("job /patch/conupdate.cfg"));
    }
    Reset();
    m_env.served.erase("/patch/conupdate.cfg");  // no server file at all
    Run();
    EXPECT_THAT(m_env.journal, ElementsAre("job /patch/conupdate.cfg"));
}

TEST_F(UpdateProcedureTest, LauncherIsReplacedOnlyForAnotherNonZeroVersion) {
    struct Case {
        int local;
        int server;
        bool replaced;
    } cases[] = {{7, 0, false}, {0, 0, false}, {7, 7, false},
                 {7, 8, true},  {7, 6, true},  {0, 3, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.local) + " -> " + std::to_string(c.server));
        Reset();
        Install(12, c.local);
        Serve(12, c.server);
        Run();
        const bool fetched = m_env.Jobs().size() == 2 && m_env.Jobs()[1] == "/patch/Ovix";
        EXPECT_EQ(fetched, c.replaced);
        EXPECT_EQ(RecordedLauncher(), c.replaced ? c.server : c.local);
    }
}

TEST_F(UpdateProcedureTest, LauncherStepRunsInOrderUnderTheReplaceMutex) {
    Install(12, 7);
    Serve(13, 8);
    WriteFile(m_paths.launcher, "old launcher");
    WriteFile(m_paths.launcher + ".down", "half of something");
    ::chmod(m_paths.launcher.c_str(), 0600);
    m_env.launcherRunningLooks = 2;
    Run();
    EXPECT_THAT(m_env.journal, ElementsAre("job /patch/conupdate.cfg", "job /patch/v2.ovix",
                                           "launcher?", "launcher?", "launcher?", "hold",
                                           "job /patch/Ovix", "shortcut", "release", "notify"));
    EXPECT_TRUE(m_env.leftoversAtJobStart.empty()) << "old temporary file deleted first";
    EXPECT_EQ(m_env.launcherTemporaryMode, 0755u) << "executable before it is moved into place";
    EXPECT_EQ(ReadFile(m_paths.launcher), "new launcher");
    struct stat st {};
    ASSERT_EQ(::stat(m_paths.launcher.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0755u);
    EXPECT_EQ(RecordedLauncher(), 8);
    EXPECT_FALSE(m_env.replaceMutexHeld);
}

TEST_F(UpdateProcedureTest, LauncherThatKeepsRunningLeavesEverythingButThePackage) {
    Install(12, 7);
    Serve(13, 8);
    WriteFile(m_paths.launcher, "old launcher");
    m_env.launcherRunningLooks = 1000;
    Run({5, std::chrono::milliseconds(1)});
    EXPECT_THAT(m_env.journal,
                ElementsAre("job /patch/conupdate.cfg", "job /patch/v2.ovix", "launcher?",
                            "launcher?", "launcher?", "launcher?", "launcher?"));
    EXPECT_EQ(ReadFile(m_paths.package), "step package") << "installed at the next start";
    EXPECT_EQ(ReadFile(m_paths.launcher), "old launcher");
    EXPECT_EQ(RecordedLauncher(), 7);
}

TEST_F(UpdateProcedureTest, WaitForLauncherExitSleepsBeforeEachLook) {
    m_env.launcherRunningLooks = 2;
    CUpdateProcedure procedure(m_folder.Path(), testing::kServerUrl, m_env,
                               {3, std::chrono::milliseconds(20)});
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(procedure.WaitForLauncherExit());
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(60));
    EXPECT_EQ(m_env.journal.size(), 3u);
    m_env.launcherRunningLooks = 3;
    EXPECT_FALSE(procedure.WaitForLauncherExit());
}

TEST_F(UpdateProcedureTest, FailedLauncherJobStillRecordsAndMakesTheShortcut) {
    Install(12, 7);
    Serve(12, 8);
    m_env.served.erase("/patch/Ovix");
    WriteFile(m_paths.launcher, "old launcher");
    ::chmod(m_paths.launcher.c_str(), 0700);
    Run();
    EXPECT_THAT(m_env.journal, ElementsAre("job /patch/conupdate.cfg", "launcher?", "hold",
                                           "job /patch/Ovix", "shortcut", "release"));
    EXPECT_EQ(ReadFile(m_paths.launcher), "old launcher");
    struct stat st {};
    ASSERT_EQ(::stat(m_paths.launcher.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0700u) << "the old file is not touched";
    EXPECT_EQ(RecordedLauncher(), 8);
}

TEST_F(UpdateProcedureTest, FailedPackageJobMeansNoNotificationButTheLauncherStepFollows) {
    Install(12, 7);
    Serve(13, 8);
    m_env.served.erase("/patch/v2.ovix");
    Run();
    EXPECT_THAT(m_env.journal,
                ElementsAre("job /patch/conupdate.cfg", "job /patch/v2.ovix", "launcher?", "hold",
                            "job /patch/Ovix", "shortcut", "release"));
    EXPECT_FALSE(m_downloaded);
}

TEST_F(UpdateProcedureTest, DiskFullShowsTheMessageAndEndsTheRun) {
    Install(12, 7);
    Serve(13, 8);
    struct Case {
        const char* refused;
        std::vector<std::string> journal;
    } cases[] = {
        {"/patch/conupdate.cfg", {"job /patch/conupdate.cfg", "diskfull"}},
        {"/patch/v2.ovix", {"job /patch/conupdate.cfg", "job /patch/v2.ovix", "diskfull"}},
        {"/patch/Ovix",
         {"job /patch/conupdate.cfg", "job /patch/v2.ovix", "launcher?", "hold", "job /patch/Ovix",
          "shortcut", "release", "diskfull"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.refused);
        Reset();
        Install(12, 7);
        m_env.diskFull = {c.refused};
        Run();
        EXPECT_EQ(m_env.journal, c.journal);
    }
}

TEST_F(UpdateProcedureTest, JobThreadThatCannotStartEndsTheRunAtOnce) {
    Install(12, 7);
    Serve(13, 8);
    m_env.notStarted = {"/patch/v2.ovix"};
    Run();
    EXPECT_THAT(m_env.journal, ElementsAre("job /patch/conupdate.cfg", "job /patch/v2.ovix"));

    Reset();
    m_env.notStarted = {"/patch/Ovix"};
    Run();
    EXPECT_THAT(m_env.journal, ElementsAre("job /patch/conupdate.cfg", "job /patch/v2.ovix",
                                           "launcher?", "hold", "job /patch/Ovix", "release"));
    EXPECT_EQ(RecordedLauncher(), 7);
}

TEST_F(UpdateProcedureTest, LeftoverTemporaryFilesAreDeletedBeforeTheJobs) {
    Install(12, 7);
    Serve(15, 7);
    std::filesystem::create_directory(m_paths.downloadFolder);
    WriteFile(m_paths.package + ".down", "stale bytes of an older package");
    WriteFile(m_paths.serverControl + ".down", "stale");
    Run();
    EXPECT_TRUE(m_env.leftoversAtJobStart.empty());
    EXPECT_EQ(ReadFile(m_paths.package), "full package");
}

TEST_F(UpdateProcedureTest, StaleServerFileIsNotTakenForTheServersAnswer) {
    Install(12, 7);
    WriteFile(m_paths.serverControl, ControlFile(15, 9));  // left by an interrupted run
    Run();  // the server has no control file this time
    EXPECT_THAT(m_env.journal, ElementsAre("job /patch/conupdate.cfg"));
    EXPECT_FALSE(std::filesystem::exists(m_paths.serverControl));
}

TEST_F(UpdateProcedureTest, MissingDownloadFolderIsCreated) {
    Install(12, 7);
    Serve(12, 7);
    Run();
    EXPECT_TRUE(std::filesystem::is_directory(m_paths.downloadFolder));
}

}  // namespace
}  // namespace ovix::updater
