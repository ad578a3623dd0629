/* The server-configuration library: five exports that answer, from fixed tables, the hosts
 * and web addresses of a numbered service region. Stateless; any thread may call them, each
 * call with its own slots.
 *
 * Output slots: on entry a slot holds null or a BSTR the caller owns (zero-initialise new
 * slots). A non-empty answer reallocates the slot's string in place; an empty answer frees it
 * and leaves null. On return the caller owns the slot's string and frees it with
 * SysFreeString. A null slot or record pointer is ignored. */
#ifndef OVIX_CONFIG_OVIXCONFIG_H
#define OVIX_CONFIG_OVIXCONFIG_H

#include <stdint.h>

#include "config/ConfigDefine.h"
#include "platform/bstr/OvixBstr.h"

#if defined(OVIX_CONFIG_BUILDING)
#define OVIX_CONFIG_API __attribute__((visibility("default")))
#else
#define OVIX_CONFIG_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Region-independent addresses; Reserved is always freed and left null. */
OVIX_CONFIG_API void OVIX_WINAPI GetPublicConfig(TConfig_PUBLIC* Config);

/* The tunnel server host, the same for every caller. */
OVIX_CONFIG_API void OVIX_WINAPI GetSipTunnalServer(BSTR* Server);

/* The SIP proxy host when the region serves the area code, otherwise null. */
OVIX_CONFIG_API void OVIX_WINAPI GetProxy(BSTR* Proxy, int32_t AreaCode, int32_t Region);

/* The IMS server host of regions 1, 2, 11 and 12; null for any other region. */
OVIX_CONFIG_API void OVIX_WINAPI GetIMS(BSTR* Server, int32_t Region);

/* All nine fields for the region; an unlisted region gives "0" and eight null fields. */
OVIX_CONFIG_API void OVIX_WINAPI GetConfig(TConfig_IMS_WEB* Config, int32_t Region);

#ifdef __cplusplus
}
#endif

#endif /* OVIX_CONFIG_OVIXCONFIG_H */
