#include "tools/ovixconfig/Utf8Text.h"

namespace ovix::tools {
namespace {

void AppendCodePoint(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

bool IsHighSurrogate(char16_t u) {
    return u >= 0xD800 && u <= 0xDBFF;
}
bool IsLowSurrogate(char16_t u) {
    return u >= 0xDC00 && u <= 0xDFFF;
}

}  // namespace

std::string Utf8FromBstr(BSTR text) {
    const unsigned int length = SysStringLen(text);
    std::string out;
    out.reserve(length);
    for (unsigned int i = 0; i < length; ++i) {
        const char16_t unit = text[i];
        if (IsHighSurrogate(unit) && i + 1 < length && IsLowSurrogate(text[i + 1])) {
            AppendCodePoint(out, 0x10000 + ((char32_t{unit} - 0xD800) << 10) +
                                     (char32_t{text[i + 1]} - 0xDC00));
            ++i;
        } else if (IsHighSurrogate(unit) || IsLowSurrogate(unit)) {
            AppendCodePoint(out, 0xFFFD);
        } else {
            AppendCodePoint(out, unit);
        }
    }
    return out;
}

}  // namespace ovix::tools
