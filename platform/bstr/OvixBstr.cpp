// The string block is [uint32 byte length][units...][zero unit]; a BSTR points at the first
// unit, so the length lives just before it and the text is zero-terminated for C callers.
#include "platform/bstr/OvixBstr.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

using ByteLength = std::uint32_t;

// Largest unit count whose block size still fits the 32-bit byte length and a 32-bit size_t.
constexpr unsigned int kMaxUnits =
    (UINT32_MAX - sizeof(ByteLength) - sizeof(OLECHAR)) / sizeof(OLECHAR);

std::byte* BlockOf(BSTR text) {
    return reinterpret_cast<std::byte*>(text) - sizeof(ByteLength);
}

// A block with room for `length` units, the length recorded and the terminator set; the units
// themselves are zero. Null when the length is too large or memory is short.
BSTR AllocateBlock(unsigned int length) {
    if (length > kMaxUnits) {
        return nullptr;
    }
    const std::size_t bytes = std::size_t{length} * sizeof(OLECHAR);
    void* block = std::calloc(1, sizeof(ByteLength) + bytes + sizeof(OLECHAR));
    if (block == nullptr) {
        return nullptr;
    }
    const ByteLength recorded = static_cast<ByteLength>(bytes);
    std::memcpy(block, &recorded, sizeof recorded);
    return reinterpret_cast<BSTR>(static_cast<std::byte*>(block) + sizeof(ByteLength));
}

}  // namespace

extern "C" {

OVIX_BSTR_API BSTR OVIX_WINAPI SysAllocStringLen(const OLECHAR* text, unsigned int length) {
    BSTR result = AllocateBlock(length);
    if (result != nullptr && text != nullptr) {
        std::memcpy(result, text, std::size_t{length} * sizeof(OLECHAR));
    }
    return result;
}

OVIX_BSTR_API BSTR OVIX_WINAPI SysAllocString(const OLECHAR* text) {
    if (text == nullptr) {
        return nullptr;
    }
    std::size_t length = 0;
    while (text[length] != 0) {
        ++length;
    }
    if (length > kMaxUnits) {
        return nullptr;
    }
    return SysAllocStringLen(text, static_cast<unsigned int>(length));
}

OVIX_BSTR_API int OVIX_WINAPI SysReAllocStringLen(BSTR* slot, const OLECHAR* text,
                                                  unsigned int length) {
    if (slot == nullptr) {
        return 0;
    }
    // A fresh block, filled before the old one goes, so that `text` may point into *slot.
    BSTR replacement = AllocateBlock(length);
    if (replacement == nullptr) {
        return 0;
    }
    const OLECHAR* source = text;
    unsigned int copied = length;
    if (source == nullptr) {
        source = *slot;
        copied = std::min(length, SysStringLen(*slot));
    }
    if (source != nullptr && copied > 0) {
        std::memcpy(replacement, source, std::size_t{copied} * sizeof(OLECHAR));
    }
    SysFreeString(*slot);
    *slot = replacement;
    return 1;
}

OVIX_BSTR_API void OVIX_WINAPI SysFreeString(BSTR text) {
    if (text != nullptr) {
        std::free(BlockOf(text));
    }
}

OVIX_BSTR_API unsigned int OVIX_WINAPI SysStringLen(BSTR text) {
    if (text == nullptr) {
        return 0;
    }
    ByteLength bytes = 0;
    std::memcpy(&bytes, BlockOf(text), sizeof bytes);
    return bytes / sizeof(OLECHAR);
}

}  // extern "C"
