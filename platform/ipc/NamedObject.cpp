#include "platform/ipc/NamedObject.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "platform/ipc/RuntimeGuard.h"

namespace ovix::platform {
namespace {

constexpr const char* kObjectsFolder = "objects";

// The guard lock file sits beside the objects folder, so no object name can clash with it.
std::string GuardFileFor(const std::string& objectsFolder) {
    return objectsFolder + ".lock";
}

bool TryLock(int fd, int operation) {
    int rc;
    do {
        rc = ::flock(fd, operation | LOCK_NB);
    } while (rc != 0 && errno == EINTR);
    return rc == 0;
}

// Where an object lives: its file and the guard lock file of its folder.
struct ObjectPaths {
    std::string file;
    std::string guard;
};

// Empty paths for a bad name or a refused runtime folder.
ObjectPaths LocateObject(std::string_view name) {
    if (!IsValidRuntimeName(name)) {
        return {};
    }
    const std::string folder = RuntimeSubfolder(kObjectsFolder);
    if (folder.empty()) {
        return {};
    }
    return {folder + "/" + std::string(name), GuardFileFor(folder)};
}

// Opens the object's file (never through a link), which must be a regular file; -1 otherwise.
int OpenObjectFile(const std::string& file, int flags) {
    const int fd = ::open(file.c_str(), flags | O_RDWR | O_CLOEXEC | O_NOFOLLOW, 0600);
    struct stat info {};
    if (fd >= 0 && (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))) {
        ::close(fd);
        return -1;
    }
    return fd;
}

}  // namespace

CNamedObject::CNamedObject(int fd, std::string path, std::string guardPath, bool alreadyExisted)
    : fd_(fd),
      path_(std::move(path)),
      guardPath_(std::move(guardPath)),
      alreadyExisted_(alreadyExisted) {}

CNamedObject::~CNamedObject() {
    Close();
}

CNamedObject::CNamedObject(CNamedObject&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)),
      path_(std::move(other.path_)),
      guardPath_(std::move(other.guardPath_)),
      alreadyExisted_(std::exchange(other.alreadyExisted_, false)) {}

CNamedObject& CNamedObject::operator=(CNamedObject&& other) noexcept {
    if (this != &other) {
        Close();
        fd_ = std::exchange(other.fd_, -1);
        path_ = std::move(other.path_);
        guardPath_ = std::move(other.guardPath_);
        alreadyExisted_ = std::exchange(other.alreadyExisted_, false);
    }
    return *this;
}

CNamedObject CNamedObject::CreateOrOpen(std::string_view name) {
    ObjectPaths paths = LocateObject(name);
    if (paths.file.empty()) {
        return {};
    }
    CRuntimeGuard guard(paths.guard);
    const int fd = guard.IsHeld() ? OpenObjectFile(paths.file, O_CREAT) : -1;
    if (fd < 0) {
        return {};
    }
    // Holders keep shared locks outside the guard. An exclusive lock is granted only when no
    // handle holds the object, whether its file is new or was left by a crashed holder.
    bool alreadyExisted = false;
    if (TryLock(fd, LOCK_EX)) {
        // Cannot fail: we hold the only lock, and nobody else takes one without the guard.
        TryLock(fd, LOCK_SH);
    } else if (errno == EWOULDBLOCK && TryLock(fd, LOCK_SH)) {
        alreadyExisted = true;
    } else {
        ::close(fd);
        return {};
    }
    return CNamedObject(fd, std::move(paths.file), std::move(paths.guard), alreadyExisted);
}

CNamedObject CNamedObject::OpenExisting(std::string_view name) {
    ObjectPaths paths = LocateObject(name);
    if (paths.file.empty()) {
        return {};
    }
    CRuntimeGuard guard(paths.guard);
    const int fd = guard.IsHeld() ? OpenObjectFile(paths.file, 0) : -1;
    if (fd < 0) {
        return {};
    }
    if (TryLock(fd, LOCK_EX)) {
        // Nobody holds it: a file left by a crashed last holder. The object does not exist.
        ::unlink(paths.file.c_str());
        ::close(fd);
        return {};
    }
    if (errno != EWOULDBLOCK || !TryLock(fd, LOCK_SH)) {
        ::close(fd);
        return {};
    }
    return CNamedObject(fd, std::move(paths.file), std::move(paths.guard), true);
}

bool CNamedObject::Exists(std::string_view name) {
    return OpenExisting(name).IsValid();
}

void CNamedObject::Close() {
    if (fd_ < 0) {
        return;
    }
    {
        CRuntimeGuard guard(guardPath_);
        // The last holder removes the file. A failed conversion drops our shared lock, which
        // does no harm: we close right after, still under the guard.
        if (guard.IsHeld() && TryLock(fd_, LOCK_EX)) {
            ::unlink(path_.c_str());
        }
        ::close(fd_);
    }
    fd_ = -1;
    alreadyExisted_ = false;
}

}  // namespace ovix::platform
