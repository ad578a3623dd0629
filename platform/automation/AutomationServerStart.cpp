#include "platform/automation/AutomationServerStart.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <string>

namespace ovix::platform {

int TakeAutomationChannelFd() {
    const char* text = std::getenv(kAutomationChannelEnv);
    if (text == nullptr) {
        return -1;
    }
    const std::string value = text;
    unsetenv(kAutomationChannelEnv);
    char* end = nullptr;
    errno = 0;
    const long fd = std::strtol(value.c_str(), &end, 10);
    if (value.empty() || *end != '\0' || errno != 0 || fd < 0 || fd > 65535) {
        return -1;
    }
    struct stat info {};
    if (fstat(static_cast<int>(fd), &info) != 0 || !S_ISSOCK(info.st_mode)) {
        return -1;
    }
    fcntl(static_cast<int>(fd), F_SETFD, FD_CLOEXEC);
    return static_cast<int>(fd);
}

}  // namespace ovix::platform
