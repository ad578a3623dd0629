#include "updater/update/tests/FakeEnvironment.h"

#include <sys/stat.h>

#include <filesystem>

#include "updater/update/tests/TempFolder.h"

namespace ovix::updater::testing {

JobOutcome CFakeEnvironment::RunJob(const std::string& url, const std::string& path) {
    const std::string resource = url.substr(std::string(kServerUrl).size());
    journal.push_back("job " + resource);
    std::error_code ec;
    if (std::filesystem::file_size(path + ".down", ec) > 0 && !ec) {
        leftoversAtJobStart.push_back(path + ".down");
    }
    if (resource == "/patch/Ovix") {
        struct stat st {};
        launcherTemporaryMode =
            ::stat((path + ".down").c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
    }
    JobOutcome outcome;
    outcome.started = notStarted.count(resource) == 0;
    if (!outcome.started) {
        return outcome;
    }
    if (diskFull.count(resource) != 0) {
        outcome.diskFull = true;
        return outcome;
    }
    const auto it = served.find(resource);
    if (it == served.end()) {
        return outcome;  // 404, or no server at all
    }
    // Like the real job: the body goes into the temporary file, which is then moved into place.
    WriteFile(path + ".down", it->second);
    std::filesystem::rename(path + ".down", path, ec);
    outcome.result = 0;
    return outcome;
}

bool CFakeEnvironment::LauncherRunning() {
    journal.push_back("launcher?");
    if (launcherRunningLooks > 0) {
        --launcherRunningLooks;
        return true;
    }
    return false;
}

void CFakeEnvironment::HoldReplaceMutex() {
    journal.push_back("hold");
    replaceMutexHeld = true;
}

void CFakeEnvironment::ReleaseReplaceMutex() {
    journal.push_back("release");
    replaceMutexHeld = false;
}

std::vector<std::string> CFakeEnvironment::Jobs() const {
    std::vector<std::string> jobs;
    for (const std::string& entry : journal) {
        if (entry.rfind("job ", 0) == 0) {
            jobs.push_back(entry.substr(4));
        }
    }
    return jobs;
}

}  // namespace ovix::updater::testing
