#include "config/BstrSlot.h"

#include <algorithm>
#include <climits>
#include <cstddef>

namespace ovix::config {

void ClearSlot(BSTR* slot) {
    SysFreeString(*slot);
    *slot = nullptr;
}

bool StoreSlot(BSTR* slot, std::initializer_list<std::u16string_view> pieces) {
    std::size_t total = 0;
    for (const std::u16string_view piece : pieces) {
        if (piece.size() > UINT_MAX - total) {
            ClearSlot(slot);
            return false;
        }
        total += piece.size();
    }
    if (total == 0) {
        ClearSlot(slot);
        return true;
    }
    const unsigned int length = static_cast<unsigned int>(total);
    if (pieces.size() == 1) {
        // The library copies before it frees, so the text may come from the slot itself.
        if (SysReAllocStringLen(slot, pieces.begin()->data(), length) == 0) {
            ClearSlot(slot);
            return false;
        }
        return true;
    }
    // Sized in place first, then written: no intermediate buffer.
    if (SysReAllocStringLen(slot, nullptr, length) == 0) {
        ClearSlot(slot);
        return false;
    }
    OLECHAR* out = *slot;
    for (const std::u16string_view piece : pieces) {
        out = std::copy(piece.begin(), piece.end(), out);
    }
    return true;
}

bool CopySlot(BSTR* slot, BSTR source) {
    return StoreSlot(slot, {std::u16string_view(source, SysStringLen(source))});
}

}  // namespace ovix::config
