// One message posted to a window of another process: the message number and its two
// parameters. On the wire it is one datagram holding the three decimal numbers separated by
// single spaces ("10024 0 0"), at most kMaxWindowMessageText bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ovix::platform {

struct WindowMessage {
    unsigned message = 0;
    std::uintptr_t wParam = 0;
    std::intptr_t lParam = 0;

    bool operator==(const WindowMessage&) const = default;
};

inline constexpr std::size_t kMaxWindowMessageText = 64;

std::string FormatWindowMessage(const WindowMessage& message);
// Strict: exactly three decimal numbers in range (lParam may be negative), nothing else.
std::optional<WindowMessage> ParseWindowMessage(std::string_view text);

}  // namespace ovix::platform
