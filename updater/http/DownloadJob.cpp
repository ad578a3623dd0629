#include "updater/http/DownloadJob.h"

#include <memory>

#include "updater/http/HttpDownload.h"

namespace ovix::updater {

int RunDownloadJob(DownloadJobSlot* slot) {
    auto download = std::make_unique<CHttpDownload>();
    slot->currentDownload = download.get();
    if (download->StartWorker(slot->jobUrl, slot->jobPath)) {
        download->ResumeWorker();
        download->WaitWorker();
    }
    slot->diskFull = download->DiskFull() ? 1 : 0;
    slot->jobResult = download->Result();
    slot->currentDownload = nullptr;
    download.reset();
    return 0;
}

}  // namespace ovix::updater
