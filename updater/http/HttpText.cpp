#include "updater/http/HttpText.h"

#include <charconv>

namespace ovix::updater {

namespace {
bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}
}  // namespace

std::string TrimBlanks(std::string_view text) {
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && IsBlank(text[begin])) {
        ++begin;
    }
    while (end > begin && IsBlank(text[end - 1])) {
        --end;
    }
    return std::string(text.substr(begin, end - begin));
}

std::string ToLowerAscii(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return lower;
}

std::optional<std::int64_t> ParseDecimal(std::string_view text) {
    const std::string trimmed = TrimBlanks(text);
    if (trimmed.empty() || trimmed[0] < '0' || trimmed[0] > '9') {
        return std::nullopt;
    }
    std::int64_t value = 0;
    const char* end = trimmed.data() + trimmed.size();
    const auto [stop, error] = std::from_chars(trimmed.data(), end, value);
    if (error != std::errc() || stop != end) {
        return std::nullopt;
    }
    return value;
}

std::optional<std::string> FindHeaderValue(std::string_view lowerHeader, std::string_view name) {
    const size_t at = lowerHeader.find(name);
    if (at == std::string_view::npos) {
        return std::nullopt;
    }
    const size_t start = at + name.size();
    const size_t end = lowerHeader.find("\r\n", start);
    if (end == std::string_view::npos) {
        return std::nullopt;
    }
    return TrimBlanks(lowerHeader.substr(start, end - start));
}

}  // namespace ovix::updater
