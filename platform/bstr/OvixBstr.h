/* OLE Automation strings (BSTR) with their binary layout: a 32-bit byte length stored just
 * before the text, UTF-16 code units, and a terminating zero unit that the length does not
 * count. A null BSTR is the empty value. Every module that hands BSTRs to another allocates
 * and frees them through this one library, so allocation and release always match.
 * Usable from C (C99 or later) and C++. */
#ifndef OVIX_PLATFORM_BSTR_OVIXBSTR_H
#define OVIX_PLATFORM_BSTR_OVIXBSTR_H

#include <stddef.h>
#include <stdint.h>

/* The system's calling convention for library exports. It only means something on 32-bit x86;
 * on x86-64 there is one convention and the attribute would be ignored with a warning. */
#if defined(__i386__)
#define OVIX_WINAPI __attribute__((stdcall))
#else
#define OVIX_WINAPI
#endif

#if defined(OVIX_BSTR_BUILDING)
#define OVIX_BSTR_API __attribute__((visibility("default")))
#else
#define OVIX_BSTR_API
#endif

#ifdef __cplusplus
extern "C" {
typedef char16_t OLECHAR;
#else
/* C has no distinct char16_t type before C23; uint_least16_t is what <uchar.h> uses. */
typedef uint_least16_t OLECHAR;
#endif

typedef OLECHAR* BSTR;

/* Copies `length` units of `text` into a new string. A null `text` gives a string of `length`
 * zero units. Returns null when memory is short or the byte length would not fit 32 bits. */
OVIX_BSTR_API BSTR OVIX_WINAPI SysAllocStringLen(const OLECHAR* text, unsigned int length);

/* Copies a zero-terminated text; a null `text` gives null. */
OVIX_BSTR_API BSTR OVIX_WINAPI SysAllocString(const OLECHAR* text);

/* Replaces *slot by a new string of `length` units copied from `text` (which may point into
 * *slot itself) and frees the old one. A null *slot is allowed. A null `text` keeps the old
 * text up to `length` units and zero-fills the rest. Returns 1 on success; on failure returns
 * 0 and leaves *slot untouched. A null `slot` is a failure. */
OVIX_BSTR_API int OVIX_WINAPI SysReAllocStringLen(BSTR* slot, const OLECHAR* text,
                                                  unsigned int length);

/* Frees a string from this library; null is allowed and does nothing. */
OVIX_BSTR_API void OVIX_WINAPI SysFreeString(BSTR text);

/* Number of UTF-16 units, without the terminating zero; 0 for null. */
OVIX_BSTR_API unsigned int OVIX_WINAPI SysStringLen(BSTR text);

#ifdef __cplusplus
}
#endif

#endif /* OVIX_PLATFORM_BSTR_OVIXBSTR_H */
