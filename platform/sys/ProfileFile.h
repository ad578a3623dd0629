// INI files in the manner of a private profile: "[section]" lines and "key=value" lines.
// Section and key names compare without regard to ASCII case; values are trimmed of
// surrounding blanks and one pair of surrounding double quotes.
#pragma once

#include <string>
#include <string_view>

namespace ovix::platform {

// The value, or `def` when the file, the section or the key is missing.
std::string GetProfileString(const std::string& file, std::string_view section,
                             std::string_view key, std::string_view def);

// The value's leading decimal number (an optional '-' first), 0 when the value does not start
// with one, or `def` when the key is missing.
int GetProfileInt(const std::string& file, std::string_view section, std::string_view key, int def);

// Sets the key, keeping every other line of the file. The file is rewritten through a
// temporary file and a rename, so a reader never sees half of it. False when it cannot be
// written or a name holds a line break, '=' in a key, or ']' in a section.
bool WriteProfileString(const std::string& file, std::string_view section, std::string_view key,
                        std::string_view value);

}  // namespace ovix::platform
