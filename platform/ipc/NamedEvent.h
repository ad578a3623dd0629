// Named event, used for its existence: a running main client keeps one open.
#pragma once

#include <string_view>
#include <utility>

#include "platform/ipc/NamedObject.h"

namespace ovix::platform {

class CNamedEvent {
public:
    CNamedEvent() = default;

    // Creates the event or opens the existing one; see AlreadyExisted().
    static CNamedEvent Create(std::string_view name);
    // Opens the event only while it exists; IsValid() is false otherwise.
    static CNamedEvent Open(std::string_view name);

    bool IsValid() const { return object_.IsValid(); }
    bool AlreadyExisted() const { return object_.AlreadyExisted(); }
    void Close() { object_.Close(); }

private:
    explicit CNamedEvent(CNamedObject object) : object_(std::move(object)) {}

    CNamedObject object_;
};

}  // namespace ovix::platform
