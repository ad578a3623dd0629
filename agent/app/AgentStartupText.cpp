#include "agent/app/AgentStartupText.h"

#include <cstdlib>
#include <cstring>

namespace ovix::agent {

namespace {

bool IsSet(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && value[0] != '\0';
}

}  // namespace

bool HasDisplay() {
    return IsSet("QT_QPA_PLATFORM") || IsSet("DISPLAY") || IsSet("WAYLAND_DISPLAY");
}

bool HasInteractiveDisplay() {
    if (!HasDisplay()) {
        return false;
    }
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (platform == nullptr) {
        return true;
    }
    return std::strncmp(platform, "offscreen", 9) != 0 && std::strncmp(platform, "minimal", 7) != 0;
}

}  // namespace ovix::agent
