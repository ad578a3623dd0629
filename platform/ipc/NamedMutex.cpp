#include "platform/ipc/NamedMutex.h"

namespace ovix::platform {

CNamedMutex CNamedMutex::Create(std::string_view name) {
    return CNamedMutex(CNamedObject::CreateOrOpen(name));
}

}  // namespace ovix::platform
