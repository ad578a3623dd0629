// Finding another process's top-level window by its class name and posting messages to it.
// A window of class C is a Unix datagram socket bound at <runtime>/windows/C (see
// CMessageWindow); a socket file that nobody has bound any more counts as no window.
#pragma once

#include <cstdint>
#include <string_view>

namespace ovix::platform {

// Whether a live window of this class exists.
bool FindWindowByClass(std::string_view windowClass);

// Posts the message to the window of this class without waiting for it to be handled.
// False when there is no such window or its queue is full.
bool PostWindowMessage(std::string_view windowClass, unsigned message, std::uintptr_t wParam,
                       std::intptr_t lParam);

}  // namespace ovix::platform
