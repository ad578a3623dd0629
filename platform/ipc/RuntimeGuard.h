// Pieces shared by the named objects and the message windows: valid names, the subfolders of
// the runtime folder, and the guard lock that makes check-then-act steps atomic across
// processes and threads.
#pragma once

#include <string>
#include <string_view>

namespace ovix::platform {

// One non-empty file name: no '/', no NUL, not "." or "..", at most 200 bytes.
bool IsValidRuntimeName(std::string_view name);

// <runtime>/<subfolder>, created with mode 0700 when missing; "" when the runtime folder is
// refused or the subfolder cannot be made.
std::string RuntimeSubfolder(const char* subfolder);

// Exclusive advisory lock on a lock file for the life of the object. Every open file
// description locks on its own, so two threads of one process exclude each other too.
// The kernel drops the lock when its holder dies.
class CRuntimeGuard {
public:
    explicit CRuntimeGuard(const std::string& lockFile);
    ~CRuntimeGuard();
    CRuntimeGuard(const CRuntimeGuard&) = delete;
    CRuntimeGuard& operator=(const CRuntimeGuard&) = delete;

    bool IsHeld() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

}  // namespace ovix::platform
