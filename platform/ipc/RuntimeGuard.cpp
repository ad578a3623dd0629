#include "platform/ipc/RuntimeGuard.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/ipc/RuntimeFolder.h"

namespace ovix::platform {

bool IsValidRuntimeName(std::string_view name) {
    constexpr std::size_t kMaxNameLength = 200;
    if (name.empty() || name.size() > kMaxNameLength || name == "." || name == "..") {
        return false;
    }
    return name.find('/') == std::string_view::npos && name.find('\0') == std::string_view::npos;
}

std::string RuntimeSubfolder(const char* subfolder) {
    const std::string runtime = RuntimeFolder();
    if (runtime.empty()) {
        return {};
    }
    std::string folder = runtime + "/" + subfolder;
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        return {};
    }
    struct stat info {};
    if (::lstat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        return {};
    }
    return folder;
}

CRuntimeGuard::CRuntimeGuard(const std::string& lockFile) {
    const int fd = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        return;
    }
    int rc;
    do {
        rc = ::flock(fd, LOCK_EX);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        ::close(fd);
        return;
    }
    fd_ = fd;
}

CRuntimeGuard::~CRuntimeGuard() {
    if (fd_ >= 0) {
        ::close(fd_);  // closing the description drops the lock
    }
}

}  // namespace ovix::platform
