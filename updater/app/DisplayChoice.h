#pragma once

namespace ovix::updater {

// Whether the program can show a window: a display is named, or a Qt platform plugin is
// chosen explicitly (offscreen included). Without either the updater runs without windows
// and writes its one message to standard error.
bool HasDisplay(const char* display, const char* waylandDisplay, const char* qtPlatform);
bool HasDisplay();

}  // namespace ovix::updater
