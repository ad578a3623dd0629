#include "updater/app/DisplayChoice.h"

#include <cstdlib>

namespace ovix::updater {

namespace {

bool IsSet(const char* value) {
    return value != nullptr && *value != '\0';
}

}  // namespace

bool HasDisplay(const char* display, const char* waylandDisplay, const char* qtPlatform) {
#if defined(OVIX_UPDATER_WIDGETS)
    return IsSet(display) || IsSet(waylandDisplay) || IsSet(qtPlatform);
#else
    (void)display;
    (void)waylandDisplay;
    (void)qtPlatform;
    (void)IsSet;
    return false;
#endif
}

bool HasDisplay() {
    return HasDisplay(std::getenv("DISPLAY"), std::getenv("WAYLAND_DISPLAY"),
                      std::getenv("QT_QPA_PLATFORM"));
}

}  // namespace ovix::updater
