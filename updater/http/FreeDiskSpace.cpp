#include "updater/http/FreeDiskSpace.h"

#include <sys/statvfs.h>

#include <mutex>
#include <utility>

#include "platform/sys/ProgramFolder.h"

namespace ovix::updater {

namespace {

std::mutex& ProbeLock() {
    static std::mutex lock;
    return lock;
}

FreeDiskSpaceProbe& Probe() {
    static FreeDiskSpaceProbe probe;  // guarded by ProbeLock()
    return probe;
}

bool QueryFileSystem(std::uint64_t* freeBytes) {
    const std::string folder = platform::ProgramFolder();
    struct statvfs info {};
    if (folder.empty() || ::statvfs(folder.c_str(), &info) != 0) {
        return false;
    }
    // Blocks available to an unprivileged caller, as the caller's own share of the disk.
    *freeBytes = static_cast<std::uint64_t>(info.f_bavail) * info.f_frsize;
    return true;
}

}  // namespace

bool GetFreeDiskSpace(std::uint64_t* freeBytes) {
    FreeDiskSpaceProbe probe;
    {
        std::lock_guard<std::mutex> guard(ProbeLock());
        probe = Probe();
    }
    return probe ? probe(freeBytes) : QueryFileSystem(freeBytes);
}

void SetFreeDiskSpaceProbe(FreeDiskSpaceProbe probe) {
    std::lock_guard<std::mutex> guard(ProbeLock());
    Probe() = std::move(probe);
}

}  // namespace ovix::updater
