// UTF-8 text of a BSTR for printing.
#pragma once

#include <string>

#include "platform/bstr/OvixBstr.h"

namespace ovix::tools {

// Unpaired surrogates become U+FFFD; null gives an empty string.
std::string Utf8FromBstr(BSTR text);

}  // namespace ovix::tools
