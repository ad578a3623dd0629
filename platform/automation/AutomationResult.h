// Results of automation calls, as HRESULT numbers so that callers read them the way a COM
// client would: 0 is success, negative values are failures.
#pragma once

#include <cstdint>

namespace ovix::platform {

using HResult = int32_t;

inline constexpr HResult kS_OK = 0;
inline constexpr HResult kE_FAIL = static_cast<HResult>(0x80004005u);
inline constexpr HResult kE_INVALIDARG = static_cast<HResult>(0x80070057u);
inline constexpr HResult kE_OUTOFMEMORY = static_cast<HResult>(0x8007000Eu);
// The ProgID is not in the registry file (or the file is missing).
inline constexpr HResult kCO_E_CLASSSTRING = static_cast<HResult>(0x800401F3u);
// The class id has no local server program recorded.
inline constexpr HResult kREGDB_E_CLASSNOTREG = static_cast<HResult>(0x80040154u);
// The registry entry is malformed (for instance a class id that is not a GUID).
inline constexpr HResult kREGDB_E_READREGDB = static_cast<HResult>(0x80040150u);
// The server program is missing, not executable, or ended before it served the object.
inline constexpr HResult kCO_E_SERVER_EXEC_FAILURE = static_cast<HResult>(0x80080005u);
// The client was released; no more calls.
inline constexpr HResult kCO_E_RELEASED = static_cast<HResult>(0x800401FFu);
// The server process is gone (channel closed or broken).
inline constexpr HResult kRPC_E_DISCONNECTED = static_cast<HResult>(0x80010108u);
// No reply within the time-out.
inline constexpr HResult kRPC_E_TIMEOUT = static_cast<HResult>(0x8001011Fu);
// A message on the channel could not be understood.
inline constexpr HResult kRPC_E_INVALID_DATAPACKET = static_cast<HResult>(0x80010009u);
inline constexpr HResult kDISP_E_MEMBERNOTFOUND = static_cast<HResult>(0x80020003u);
inline constexpr HResult kDISP_E_TYPEMISMATCH = static_cast<HResult>(0x80020005u);
inline constexpr HResult kDISP_E_BADPARAMCOUNT = static_cast<HResult>(0x8002000Eu);

inline bool Succeeded(HResult result) {
    return result >= 0;
}

// A short English explanation of a result, for error messages ("0x80080005: ...").
const char* DescribeHResult(HResult result);

}  // namespace ovix::platform
