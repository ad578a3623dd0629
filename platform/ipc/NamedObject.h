// A handle to a named kernel object. An object is a file in <runtime>/objects that every handle
// holds a shared advisory lock on; it exists while at least one handle holds its lock. Closing
// the last handle, or the end of the last holding process (a crash included, the kernel drops
// the lock), makes it vanish. Create, open and close take a guard lock on <runtime>/objects.lock,
// so "did it exist" is decided atomically against a concurrent creator in any process or thread.
//
// Mutexes and events share one namespace, as named objects do elsewhere; the kind is not
// recorded. Waiting on an object is not offered: existence is what the programs use.
#pragma once

#include <string>
#include <string_view>

namespace ovix::platform {

class CNamedObject {
public:
    CNamedObject() = default;
    ~CNamedObject();
    CNamedObject(CNamedObject&& other) noexcept;
    CNamedObject& operator=(CNamedObject&& other) noexcept;
    CNamedObject(const CNamedObject&) = delete;
    CNamedObject& operator=(const CNamedObject&) = delete;

    // Creates the object or opens the existing one. The handle is invalid on failure (bad
    // name, refused runtime folder, file system error); AlreadyExisted() then is false.
    static CNamedObject CreateOrOpen(std::string_view name);
    // Opens the object only while it exists; otherwise the handle is invalid.
    static CNamedObject OpenExisting(std::string_view name);
    // Whether the object exists now, without keeping a handle.
    static bool Exists(std::string_view name);

    bool IsValid() const { return fd_ >= 0; }
    // True when CreateOrOpen found the object already held by another handle.
    bool AlreadyExisted() const { return alreadyExisted_; }
    // Releases this handle; the object vanishes when it was the last one. Safe to repeat.
    void Close();

private:
    CNamedObject(int fd, std::string path, std::string guardPath, bool alreadyExisted);

    int fd_ = -1;
    std::string path_;
    std::string guardPath_;
    bool alreadyExisted_ = false;
};

}  // namespace ovix::platform
