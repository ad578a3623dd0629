#include <system_error>
#include <thread>

#include "updater/http/DownloadJob.h"
#include "updater/update/SystemEnvironment.h"

namespace ovix::updater {

JobOutcome CSystemEnvironment::RunJob(const std::string& url, const std::string& path) {
    DownloadJobSlot slot;
    slot.jobUrl = url;
    slot.jobPath = path;
    JobOutcome outcome;
    try {
        // The job thread waits for the job's own worker; this thread waits for the job.
        std::thread job(RunDownloadJob, &slot);
        job.join();
    } catch (const std::system_error&) {
        return outcome;  // no thread: the run ends here
    }
    outcome.started = true;
    outcome.result = slot.jobResult;
    outcome.diskFull = slot.diskFull != 0;
    return outcome;
}

}  // namespace ovix::updater
