/* Compiled (not linked) for 32-bit x86: the records keep 4-byte slots at offsets 0, 4, ... 32
 * and the exports carry the stdcall convention there. */
#include "config/OvixConfig.h"

_Static_assert(sizeof(BSTR) == 4, "4-byte slots");
_Static_assert(offsetof(TConfig_IMS_WEB, RegionNo) == 0, "RegionNo");
_Static_assert(offsetof(TConfig_IMS_WEB, IMSServer) == 4, "IMSServer");
_Static_assert(offsetof(TConfig_IMS_WEB, WelcomeURL) == 8, "WelcomeURL");
_Static_assert(offsetof(TConfig_IMS_WEB, BindingURL) == 12, "BindingURL");
_Static_assert(offsetof(TConfig_IMS_WEB, TelBookURL) == 16, "TelBookURL");
_Static_assert(offsetof(TConfig_IMS_WEB, CardWebURL) == 20, "CardWebURL");
_Static_assert(offsetof(TConfig_IMS_WEB, RegisterURL) == 24, "RegisterURL");
_Static_assert(offsetof(TConfig_IMS_WEB, RegisterEndPath) == 28, "RegisterEndPath");
_Static_assert(offsetof(TConfig_IMS_WEB, VoipOrderURL) == 32, "VoipOrderURL");
_Static_assert(sizeof(TConfig_IMS_WEB) == 36, "36 bytes");
_Static_assert(offsetof(TConfig_PUBLIC, WelcomeURL) == 0, "WelcomeURL");
_Static_assert(offsetof(TConfig_PUBLIC, RegisterURL) == 4, "RegisterURL");
_Static_assert(offsetof(TConfig_PUBLIC, RegisterEndPath) == 8, "RegisterEndPath");
_Static_assert(offsetof(TConfig_PUBLIC, HelpURL) == 12, "HelpURL");
_Static_assert(offsetof(TConfig_PUBLIC, Reserved) == 16, "Reserved");
_Static_assert(sizeof(TConfig_PUBLIC) == 20, "20 bytes");

/* Assigning to stdcall pointers fails under -Werror=incompatible-pointer-types unless the
 * declarations carry the same convention. */
#define STDCALL __attribute__((stdcall))
void(STDCALL* const kPublic)(TConfig_PUBLIC*) = GetPublicConfig;
void(STDCALL* const kTunnel)(BSTR*) = GetSipTunnalServer;
void(STDCALL* const kProxy)(BSTR*, int32_t, int32_t) = GetProxy;
void(STDCALL* const kIms)(BSTR*, int32_t) = GetIMS;
void(STDCALL* const kConfig)(TConfig_IMS_WEB*, int32_t) = GetConfig;
BSTR(STDCALL* const kAlloc)(const OLECHAR*, unsigned int) = SysAllocStringLen;
int(STDCALL* const kReAlloc)(BSTR*, const OLECHAR*, unsigned int) = SysReAllocStringLen;
void(STDCALL* const kFree)(BSTR) = SysFreeString;
unsigned int(STDCALL* const kLen)(BSTR) = SysStringLen;
