#include "agent/ui/LogFileText.h"

#include <fstream>

namespace ovix::agent {

std::string FormatLogFile(const std::vector<std::string>& lines) {
    std::string text;
    for (size_t i = 0; i < lines.size(); ++i) {
        text += std::to_string(i + 1) + ". " + lines[i] + "\r\n\r\n";
    }
    return text;
}

bool WriteLogFile(const std::string& path, const std::vector<std::string>& lines) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) {
        return false;
    }
    const std::string text = FormatLogFile(lines);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    return static_cast<bool>(out.flush());
}

}  // namespace ovix::agent
