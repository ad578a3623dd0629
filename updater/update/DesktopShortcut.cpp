#include "updater/update/DesktopShortcut.h"

#include "common/MainClientContract.h"
#include "platform/sys/ReplaceFile.h"

namespace ovix::updater {

namespace {

// Desktop files on a desktop are only started when they are executable (trusted launchers).
constexpr mode_t kShortcutMode = 0755;

// Escapes of the desktop entry's string values.
std::string EscapeString(const std::string& value) {
    std::string escaped;
    for (char c : value) {
        switch (c) {
            case '\\':
                escaped += "\\\\";
                break;
            case '\n':
                escaped += "\\n";
                break;
            case '\t':
                escaped += "\\t";
                break;
            case '\r':
                escaped += "\\r";
                break;
            default:
                escaped += c;
        }
    }
    return escaped;
}

// One program path as the Exec key wants it: always double-quoted, with the characters that
// are special inside quotes escaped and "%" doubled so it is no field code.
std::string QuoteExecArgument(const std::string& argument) {
    std::string quoted = "\"";
    for (char c : argument) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') {
            quoted += '\\';
            quoted += c;
        } else if (c == '%') {
            quoted += "%%";
        } else {
            quoted += c;
        }
    }
    quoted += '"';
    return quoted;
}

}  // namespace

std::string DesktopEntryText(const std::string& programFolder) {
    const std::string launcher =
        programFolder + "/" + contract::ProgramFileName(contract::kLauncherProgram);
    const std::string name(contract::kLauncherProgram);
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Version=1.0\n"
           "Name=" +
           name +
           "\n"
           "Comment=" +
           name +
           "\n"
           "Exec=" +
           EscapeString(QuoteExecArgument(launcher)) +
           "\n"
           "Path=" +
           EscapeString(programFolder) +
           "\n"
           "Terminal=false\n";
}

bool MakeDesktopShortcut(const std::string& programFolder, const std::string& desktopFolder) {
    if (desktopFolder.empty()) {
        return false;
    }
    const std::string path = desktopFolder + "/" + std::string(contract::kDesktopShortcutName);
    return platform::ReplaceFileContents(path, DesktopEntryText(programFolder), kShortcutMode);
}

}  // namespace ovix::updater
