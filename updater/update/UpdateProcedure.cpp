#include "updater/update/UpdateProcedure.h"

#include <filesystem>
#include <fstream>
#include <thread>

#include "common/tagreader/ControlFile.h"
#include "updater/update/PackageChoice.h"

namespace ovix::updater {

namespace {

namespace fs = std::filesystem;

constexpr fs::perms kProgramMode = fs::perms::owner_all | fs::perms::group_read |
                                   fs::perms::group_exec | fs::perms::others_read |
                                   fs::perms::others_exec;

void RemoveQuietly(const std::string& path) {
    std::error_code ignored;
    fs::remove(path, ignored);
}

// An empty temporary file that is already executable: the job fills it and moves it into
// place, so the new program is never there without its mode. (Empty, it is not resumed from.)
void PrepareProgramFile(const std::string& path) {
    std::ofstream(path, std::ios::binary | std::ios::trunc);
    std::error_code ignored;
    fs::permissions(path, kProgramMode, fs::perm_options::replace, ignored);
}

std::string Temporary(const std::string& path) {
    return path + std::string(kTemporarySuffix);
}

// Holds the launcher's replace mutex for as long as it lives.
class CReplaceMutexHold {
public:
    explicit CReplaceMutexHold(IUpdateEnvironment& environment) : m_environment(environment) {
        m_environment.HoldReplaceMutex();
    }
    ~CReplaceMutexHold() { m_environment.ReleaseReplaceMutex(); }
    CReplaceMutexHold(const CReplaceMutexHold&) = delete;
    CReplaceMutexHold& operator=(const CReplaceMutexHold&) = delete;

private:
    IUpdateEnvironment& m_environment;
};

}  // namespace

CUpdateProcedure::CUpdateProcedure(const std::string& programFolder, std::string serverUrl,
                                   IUpdateEnvironment& environment, LauncherWait wait)
    : m_paths(programFolder),
      m_serverUrl(std::move(serverUrl)),
      m_environment(environment),
      m_wait(wait) {}

void CUpdateProcedure::RunUpdate() {
    m_packageDownloaded = false;

    int localLevel = -2;
    int localLauncher = 0;
    tagreader::ReadControlFile(m_paths.localControl, localLevel, localLauncher);

    // Every package download starts at byte 0: a temporary file left by an earlier run may
    // belong to a package that the server has replaced since.
    std::error_code ignored;
    fs::create_directory(m_paths.downloadFolder, ignored);
    RemoveQuietly(Temporary(m_paths.package));
    RemoveQuietly(Temporary(m_paths.serverControl));
    // A failed job leaves its target as it was, so a server file left by an interrupted run
    // would otherwise be taken for this run's answer.
    RemoveQuietly(m_paths.serverControl);

    JobOutcome outcome;
    if (RunJob(kServerControlResource, m_paths.serverControl, outcome) == Step::kEnd) {
        return;
    }

    int serverLevel = 0;
    int serverLauncher = 0;
    const bool offered =
        tagreader::ReadControlFile(m_paths.serverControl, serverLevel, serverLauncher);
    RemoveQuietly(m_paths.serverControl);

    if (offered) {
        const std::string_view package = PackageResourceFor(serverLevel, localLevel);
        if (!package.empty()) {
            if (RunJob(package, m_paths.package, outcome) == Step::kEnd) {
                return;
            }
            m_packageDownloaded = outcome.result == 0;
        }
        if (serverLauncher != 0 && serverLauncher != localLauncher &&
            ReplaceLauncher(serverLauncher) == Step::kEnd) {
            return;
        }
    }

    if (m_packageDownloaded) {
        m_environment.NotifyMainClient();
    }
}

bool CUpdateProcedure::WaitForLauncherExit() {
    for (int i = 0; i < m_wait.tries; ++i) {
        std::this_thread::sleep_for(m_wait.interval);
        if (!m_environment.LauncherRunning()) {
            return true;
        }
    }
    return false;
}

CUpdateProcedure::Step CUpdateProcedure::RunJob(std::string_view resource, const std::string& path,
                                                JobOutcome& outcome) {
    outcome = m_environment.RunJob(m_serverUrl + std::string(resource), path);
    if (!outcome.started) {
        return Step::kEnd;
    }
    if (outcome.diskFull) {
        m_environment.ShowDiskFullMessage();
        return Step::kEnd;
    }
    return Step::kGoOn;
}

CUpdateProcedure::Step CUpdateProcedure::ReplaceLauncher(int serverLauncherVersion) {
    if (!WaitForLauncherExit()) {
        return Step::kEnd;
    }
    RemoveQuietly(Temporary(m_paths.launcher));
    PrepareProgramFile(Temporary(m_paths.launcher));

    JobOutcome outcome;
    {
        CReplaceMutexHold hold(m_environment);
        outcome =
            m_environment.RunJob(m_serverUrl + std::string(kLauncherResource), m_paths.launcher);
        if (!outcome.started) {
            return Step::kEnd;
        }
        if (outcome.result == 0) {
            // Should the job have made its temporary file anew, the program still gets its mode.
            std::error_code ignored;
            fs::permissions(m_paths.launcher, kProgramMode, fs::perm_options::replace, ignored);
        }
        m_environment.MakeDesktopShortcut();
        tagreader::RecordLauncherVersion(m_paths.localControl, serverLauncherVersion);
    }
    if (outcome.diskFull) {
        m_environment.ShowDiskFullMessage();
        return Step::kEnd;
    }
    return Step::kGoOn;
}

}  // namespace ovix::updater
