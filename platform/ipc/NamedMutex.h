// Named mutex, used for its existence: one launcher at a time, the launcher and the updater
// keeping out of each other's way.
#pragma once

#include <string_view>
#include <utility>

#include "platform/ipc/NamedObject.h"

namespace ovix::platform {

class CNamedMutex {
public:
    CNamedMutex() = default;

    // Creates the mutex (held by this handle) or opens the existing one; see AlreadyExisted().
    static CNamedMutex Create(std::string_view name);
    // Whether a mutex of this name is held by anyone right now.
    static bool Exists(std::string_view name) { return CNamedObject::Exists(name); }

    bool IsValid() const { return object_.IsValid(); }
    bool AlreadyExisted() const { return object_.AlreadyExisted(); }
    void Close() { object_.Close(); }

private:
    explicit CNamedMutex(CNamedObject object) : object_(std::move(object)) {}

    CNamedObject object_;
};

}  // namespace ovix::platform
