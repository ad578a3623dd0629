#include "platform/sys/HomeFolder.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

namespace ovix::platform {

std::string HomeFolder() {
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
        return home;
    }
    if (const passwd* entry = ::getpwuid(::getuid()); entry != nullptr && entry->pw_dir) {
        return entry->pw_dir;
    }
    return {};
}

}  // namespace ovix::platform
