#include "platform/ipc/WindowMessage.h"

#include <charconv>

namespace ovix::platform {
namespace {

template <typename Number>
bool ParseField(std::string_view& text, bool last, Number* value) {
    const char* begin = text.data();
    const char* end = text.data() + text.size();
    if (begin == end || *begin == '+' || *begin == ' ') {
        return false;
    }
    const auto [next, error] = std::from_chars(begin, end, *value);
    if (error != std::errc() || next == begin) {
        return false;
    }
    if (last) {
        return next == end;
    }
    if (next == end || *next != ' ') {
        return false;
    }
    text.remove_prefix(static_cast<std::size_t>(next + 1 - begin));
    return true;
}

}  // namespace

std::string FormatWindowMessage(const WindowMessage& message) {
    return std::to_string(message.message) + " " + std::to_string(message.wParam) + " " +
           std::to_string(message.lParam);
}

std::optional<WindowMessage> ParseWindowMessage(std::string_view text) {
    if (text.size() > kMaxWindowMessageText) {
        return std::nullopt;
    }
    WindowMessage message;
    if (!ParseField(text, false, &message.message) || !ParseField(text, false, &message.wParam) ||
        !ParseField(text, true, &message.lParam)) {
        return std::nullopt;
    }
    return message;
}

}  // namespace ovix::platform
