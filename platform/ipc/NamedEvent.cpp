#include "platform/ipc/NamedEvent.h"

namespace ovix::platform {

CNamedEvent CNamedEvent::Create(std::string_view name) {
    return CNamedEvent(CNamedObject::CreateOrOpen(name));
}

CNamedEvent CNamedEvent::Open(std::string_view name) {
    return CNamedEvent(CNamedObject::OpenExisting(name));
}

}  // namespace ovix::platform
