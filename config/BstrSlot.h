// Writes BSTR output slots the way every export does: a non-empty answer reallocates the
// slot's string in place, an empty one frees it and leaves null. A slot never keeps an old
// answer when the new one cannot be stored: it is freed and left null instead.
#pragma once

#include <initializer_list>
#include <string_view>

#include "platform/bstr/OvixBstr.h"

namespace ovix::config {

// Stores the pieces joined; no pieces or only empty ones empty the slot. Returns false when
// the string could not be allocated (the slot is then null). A single piece may point into
// the slot's own string; several pieces must not.
bool StoreSlot(BSTR* slot, std::initializer_list<std::u16string_view> pieces);

// Frees the slot's string and sets it to null.
void ClearSlot(BSTR* slot);

// Stores a copy of `source` (null empties the slot).
bool CopySlot(BSTR* slot, BSTR source);

}  // namespace ovix::config
