// Conversions between UTF-8 text and OLE Automation strings (BSTR), for every module that
// hands text across a BSTR interface.
#pragma once

#include <string>
#include <string_view>

#include "platform/bstr/OvixBstr.h"

namespace ovix::platform {

// UTF-8 of a BSTR; unpaired surrogates become U+FFFD; null gives "".
std::string Utf8FromBstr(BSTR text);

// A new BSTR (the caller frees it with SysFreeString) holding text as UTF-16; malformed
// UTF-8 bytes become U+FFFD. Null only when memory is short.
BSTR BstrFromUtf8(std::string_view text);

}  // namespace ovix::platform
