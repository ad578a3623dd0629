#include "updater/http/LocalFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

namespace ovix::updater {

std::optional<std::int64_t> FileSizeOf(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return std::nullopt;
    }
    return static_cast<std::int64_t>(info.st_size);
}

bool StampModificationTime(const std::string& path, std::int64_t seconds) {
    timespec times[2]{};
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = static_cast<time_t>(seconds);
    return ::utimensat(AT_FDCWD, path.c_str(), times, 0) == 0;
}

bool PutInPlace(const std::string& source, const std::string& target) {
    return std::rename(source.c_str(), target.c_str()) == 0;
}

}  // namespace ovix::updater
