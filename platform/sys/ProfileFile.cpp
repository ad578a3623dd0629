#include "platform/sys/ProfileFile.h"

#include "platform/sys/ReplaceFile.h"

#include <unistd.h>

#include <climits>
#include <fstream>
#include <optional>
#include <vector>

namespace ovix::platform {

namespace {

// Profile files are small; a larger file is not a settings file and is not read whole.
constexpr std::streamsize kMaxProfileBytes = 1 << 20;

std::string_view Trim(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) {
            return false;
        }
    }
    return true;
}

std::optional<std::vector<std::string>> ReadLines(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::vector<std::string> lines;
    std::string line;
    std::streamsize total = 0;
    while (std::getline(in, line)) {
        total += static_cast<std::streamsize>(line.size()) + 1;
        if (total > kMaxProfileBytes) {
            return std::nullopt;
        }
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines.push_back(std::move(line));
    }
    return lines;
}

// "[name]" -> name; nullopt for any other line.
std::optional<std::string_view> SectionName(std::string_view line) {
    line = Trim(line);
    if (line.size() >= 2 && line.front() == '[') {
        const auto close = line.find(']');
        if (close != std::string_view::npos) {
            return Trim(line.substr(1, close - 1));
        }
    }
    return std::nullopt;
}

struct KeyValue {
    std::string_view key;
    std::string_view value;
};

std::optional<KeyValue> SplitKeyValue(std::string_view line) {
    const auto trimmed = Trim(line);
    if (trimmed.empty() || trimmed.front() == ';' || trimmed.front() == '#') {
        return std::nullopt;
    }
    const auto eq = trimmed.find('=');
    if (eq == std::string_view::npos) {
        return std::nullopt;
    }
    std::string_view value = Trim(trimmed.substr(eq + 1));
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
        value = value.substr(1, value.size() - 2);
    }
    return KeyValue{Trim(trimmed.substr(0, eq)), value};
}

std::optional<std::string> FindValue(const std::string& file, std::string_view section,
                                     std::string_view key) {
    const auto lines = ReadLines(file);
    if (!lines) {
        return std::nullopt;
    }
    bool inSection = false;
    for (const auto& line : *lines) {
        if (const auto name = SectionName(line)) {
            inSection = EqualsNoCase(*name, section);
            continue;
        }
        if (inSection) {
            if (const auto kv = SplitKeyValue(line); kv && EqualsNoCase(kv->key, key)) {
                return std::string(kv->value);
            }
        }
    }
    return std::nullopt;
}

bool HasLineBreak(std::string_view text) {
    return text.find_first_of("\r\n") != std::string_view::npos;
}

// The file is replaced in one step, so a reader sees the old or the new file, never a part.
// A rewritten file keeps its permissions; a new one gets those of a usual settings file.
bool WriteWhole(const std::string& file, const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& line : lines) {
        text += line;
        text += '\n';
    }
    return ReplaceFileContents(file, text, FileModeOr(file, 0644));
}

}  // namespace

std::string GetProfileString(const std::string& file, std::string_view section,
                             std::string_view key, std::string_view def) {
    if (auto value = FindValue(file, section, key)) {
        return std::move(*value);
    }
    return std::string(def);
}

int GetProfileInt(const std::string& file, std::string_view section, std::string_view key,
                  int def) {
    const auto value = FindValue(file, section, key);
    if (!value) {
        return def;
    }
    long long number = 0;
    size_t i = 0;
    const bool negative = !value->empty() && (*value)[0] == '-';
    if (negative) {
        i = 1;
    }
    for (; i < value->size() && (*value)[i] >= '0' && (*value)[i] <= '9'; ++i) {
        number = number * 10 + ((*value)[i] - '0');
        if (number > INT_MAX) {
            number = INT_MAX;
        }
    }
    return static_cast<int>(negative ? -number : number);
}

bool WriteProfileString(const std::string& file, std::string_view section, std::string_view key,
                        std::string_view value) {
    if (section.empty() || key.empty() || HasLineBreak(section) || HasLineBreak(key) ||
        HasLineBreak(value) || key.find('=') != std::string_view::npos ||
        section.find(']') != std::string_view::npos) {
        return false;
    }
    std::vector<std::string> lines;
    if (auto existing = ReadLines(file)) {
        lines = std::move(*existing);
    } else if (::access(file.c_str(), F_OK) == 0) {
        return false;  // there, but unreadable or too large: never overwrite it blindly
    }
    const std::string entry = std::string(key) + "=" + std::string(value);
    bool inSection = false;
    std::optional<size_t> sectionEnd;  // index after the last line of the wanted section
    for (size_t i = 0; i < lines.size(); ++i) {
        if (const auto name = SectionName(lines[i])) {
            inSection = EqualsNoCase(*name, section);
            if (inSection) {
                sectionEnd = i + 1;
            }
            continue;
        }
        if (inSection) {
            if (const auto kv = SplitKeyValue(lines[i]); kv && EqualsNoCase(kv->key, key)) {
                lines[i] = entry;
                return WriteWhole(file, lines);
            }
            if (!Trim(lines[i]).empty()) {
                sectionEnd = i + 1;
            }
        }
    }
    if (sectionEnd) {
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(*sectionEnd), entry);
    } else {
        lines.push_back("[" + std::string(section) + "]");
        lines.push_back(entry);
    }
    return WriteWhole(file, lines);
}

}  // namespace ovix::platform
