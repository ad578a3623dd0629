// One download job as the update procedure runs it: the job's fields live with the caller,
// RunDownloadJob (the body of the caller's job thread) fills in the outcome.
#pragma once

#include <atomic>
#include <string>

namespace ovix::updater {

class CHttpDownload;

struct DownloadJobSlot {
    std::string jobUrl;   // set before the job thread starts
    std::string jobPath;  // target file; the body goes through jobPath + ".down"
    int diskFull = 0;     // 1 when the server's file would not fit on the disk
    int jobResult = 3;    // 0 completed, 3 failed
    // The running job's client while the job runs, else null.
    std::atomic<CHttpDownload*> currentDownload{nullptr};
};

// Makes a CHttpDownload, runs its worker on the slot's URL and path, waits for it, and hands
// back the result and the disk-full flag. Returns 0 (the thread's exit code).
int RunDownloadJob(DownloadJobSlot* slot);

}  // namespace ovix::updater
