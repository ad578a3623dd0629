#include "platform/sys/ProgramFolder.h"

#include <unistd.h>

#include <climits>

namespace ovix::platform {

std::string ProgramFolder() {
    char path[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof(path) - 1);
    if (n <= 0) {
        return {};
    }
    std::string file(path, static_cast<size_t>(n));
    const auto slash = file.rfind('/');
    if (slash == std::string::npos) {
        return {};
    }
    // "/Ovix" lives in "/", whose name without the trailing slash is empty; keep "/" there.
    return slash == 0 ? std::string("/") : file.substr(0, slash);
}

}  // namespace ovix::platform
