// Everything the update procedure does outside its own program folder: download jobs, the
// named mutexes shared with the launcher, the desktop shortcut, the message to the main client
// and the disk-space message. The procedure's decisions are tested against a recording fake;
// the program uses CSystemEnvironment.
#pragma once

#include <string>

namespace ovix::updater {

// What one download job left behind.
struct JobOutcome {
    bool started = false;   // false when the job's thread could not be started
    int result = 3;         // 0 completed, 3 failed
    bool diskFull = false;  // the server's file would not fit on the disk
};

class IUpdateEnvironment {
public:
    virtual ~IUpdateEnvironment() = default;

    // Fetches `url` into `path` (through `path` + ".down") and waits for the job to end.
    virtual JobOutcome RunJob(const std::string& url, const std::string& path) = 0;

    // One look at the launcher's running mutex: true while a launcher holds it. The probe
    // itself leaves nothing behind.
    virtual bool LauncherRunning() = 0;

    // The mutex that keeps a starting launcher out while its program file is replaced.
    virtual void HoldReplaceMutex() = 0;
    virtual void ReleaseReplaceMutex() = 0;

    virtual void MakeDesktopShortcut() = 0;
    virtual void NotifyMainClient() = 0;
    virtual void ShowDiskFullMessage() = 0;
};

}  // namespace ovix::updater
