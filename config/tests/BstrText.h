// Test helpers: BSTR slots and their text.
#pragma once

#include <string>
#include <string_view>

#include "platform/bstr/OvixBstr.h"

namespace ovix::config::test {

inline std::u16string TextOf(BSTR s) {
    return std::u16string(s, SysStringLen(s));
}

inline BSTR NewBstr(std::u16string_view text) {
    return SysAllocStringLen(text.data(), static_cast<unsigned>(text.size()));
}

// Readable failure messages for UTF-16 text (ASCII is all these tests use).
inline std::string Narrow(std::u16string_view text) {
    return std::string(text.begin(), text.end());
}

}  // namespace ovix::config::test
