#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "updater/update/UpdateEnvironment.h"

namespace ovix::updater::testing {

// Plays the server and the system for the update procedure: each job "downloads" the text
// served under its URL's path, and every call is written to a journal in order.
class CFakeEnvironment : public IUpdateEnvironment {
public:
    // Resources the fake server has, by path ("/patch/v1.ovix").
    std::map<std::string, std::string> served;
    // Paths whose job is refused for disk space, or whose thread does not start.
    std::set<std::string> diskFull;
    std::set<std::string> notStarted;
    // How many looks at the launcher's mutex still find it held.
    int launcherRunningLooks = 0;

    // "job /patch/v1.ovix", "launcher?", "hold", "release", "shortcut", "notify", "diskfull".
    std::vector<std::string> journal;
    // Temporary files of a job's target that held bytes when the job began.
    std::vector<std::string> leftoversAtJobStart;
    // Mode of the launcher job's temporary file when that job began (0: none there).
    unsigned launcherTemporaryMode = 0;
    bool replaceMutexHeld = false;

    JobOutcome RunJob(const std::string& url, const std::string& path) override;
    bool LauncherRunning() override;
    void HoldReplaceMutex() override;
    void ReleaseReplaceMutex() override;
    void MakeDesktopShortcut() override { journal.push_back("shortcut"); }
    void NotifyMainClient() override { journal.push_back("notify"); }
    void ShowDiskFullMessage() override { journal.push_back("diskfull"); }

    // The journal's job entries only.
    std::vector<std::string> Jobs() const;
};

inline constexpr const char* kServerUrl = "http://updates.test";

}  // namespace ovix::updater::testing
