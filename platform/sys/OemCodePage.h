#pragma once

namespace ovix::platform {

inline constexpr unsigned kCodePageSimplifiedChinese = 936;
inline constexpr unsigned kCodePageTraditionalChinese = 950;
inline constexpr unsigned kCodePageDefault = 437;

// The system's OEM code page: OVIX_OEMCP when it holds a number, otherwise the first of
// LC_ALL, LC_MESSAGES, LANG that is set decides (zh_CN/zh_SG 936, zh_TW/zh_HK/zh_MO 950,
// anything else 437).
unsigned OemCodePage();

// The same choice for given values, so it can be checked without touching the environment.
unsigned OemCodePageFrom(const char* oemcp, const char* lcAll, const char* lcMessages,
                         const char* lang);

}  // namespace ovix::platform
