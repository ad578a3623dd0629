// Texts and display checks of the agent's start-up.
#pragma once

#include <string>

namespace ovix::agent {

// Shown when the automation runtime cannot be initialised (no usable channel).
inline constexpr const char* kAutomationInitFailedText =
    "OLE 程序初始化失败。请确认 OLE 库程序是正确的版本。";

// True when a window can be created at all (a Qt platform is chosen, or X11 / Wayland).
bool HasDisplay();

// True when someone can see and dismiss a message box (not the offscreen or minimal platform).
bool HasInteractiveDisplay();

}  // namespace ovix::agent
