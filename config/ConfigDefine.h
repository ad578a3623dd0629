/* Records that the server-configuration exports fill. Every field is a BSTR output slot:
 * the caller zero-initialises a new record, the library replaces or frees what a slot holds,
 * and the caller frees the strings left in it with SysFreeString. */
#ifndef OVIX_CONFIG_CONFIGDEFINE_H
#define OVIX_CONFIG_CONFIGDEFINE_H

#include <stddef.h>

#include "platform/bstr/OvixBstr.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Hosts and web addresses of one service region (filled by GetConfig). */
typedef struct TConfig_IMS_WEB {
    BSTR RegionNo;        /* "001", "002", "011", "012"; "0" for an unlisted region */
    BSTR IMSServer;       /* IMS server host */
    BSTR WelcomeURL;      /* web server + "/ovixweb/Welcome.do" */
    BSTR BindingURL;      /* web server + binding query; the caller appends the password */
    BSTR TelBookURL;      /* web server + telephone-book query; the caller appends the id */
    BSTR CardWebURL;      /* web server + card query; the caller appends the account id */
    BSTR RegisterURL;     /* web server + "/ovixweb/NewRegister.do" */
    BSTR RegisterEndPath; /* bare path, the same for every region */
    BSTR VoipOrderURL;    /* web server + "/Binding/createvoiporder.html" */
} TConfig_IMS_WEB;

/* Addresses that do not depend on the region (filled by GetPublicConfig). */
typedef struct TConfig_PUBLIC {
    BSTR WelcomeURL;
    BSTR RegisterURL;
    BSTR RegisterEndPath;
    BSTR HelpURL;
    BSTR Reserved; /* always left null */
} TConfig_PUBLIC;

/* The records are arrays of slots without gaps: field n lies at n * sizeof(BSTR), which is
 * 0, 4, 8, ... on a 32-bit build (36 and 20 bytes) and 0, 8, 16, ... on x86-64 (72 and 40). */
#ifdef __cplusplus
#define OVIX_CONFIG_LAYOUT_ASSERT(condition) static_assert(condition, #condition)
#else
#define OVIX_CONFIG_LAYOUT_ASSERT(condition) _Static_assert(condition, #condition)
#endif

#if defined(__i386__)
OVIX_CONFIG_LAYOUT_ASSERT(sizeof(BSTR) == 4);
#elif defined(__x86_64__)
OVIX_CONFIG_LAYOUT_ASSERT(sizeof(BSTR) == 8);
#endif

OVIX_CONFIG_LAYOUT_ASSERT(offsetof(TConfig_IMS_WEB, RegionNo) == 0 * sizeof(BSTR));
OVIX_CONFIG_LAYOUT_ASSERT(offsetof(TConfig_IMS_WEB, IMSServer) == 1 * sizeof(BSTR));
OVIX_CONFIG_LAYOUT_ASSERT(offsetof(TConfig_IMS_WEB, WelcomeURL) == 2 * sizeof(BSTR));
OVIX_CONFIG_LAYOUT_ASSERT(offsetof(TConfig_IMS_WEB, BindingURL) == 3 * sizeof(BSTR));
OVIX_CONFIG_LAYOUT_ASSERT(offsetof(TConfig_IMS_WEB, TelBookURL) == 4 * sizeof(BSTR));
OVIX_CONFIG_LAYOUT_ASSERT(offsetof(TConfig_IMS_WEB, CardWebURL) == 5 * sizeof(BSTR));
OVIX_CONFIG_LAYOUT_ASSERT(offsetof(TConfig_IMS_WEB, RegisterURL) == 6 * sizeof(BSTR));
OVIX_CONFIG_LAYOUT_ASSERT(offsetof(TConfig_IMS_WEB, RegisterEndPath) == 7 * sizeof(BSTR));
OVIX_CONFIG_LAYOUT_ASSERT(offsetof(TConfig_IMS_WEB, VoipOrderURL) == 8 * sizeof(BSTR));
OVIX_CONFIG_LAYOUT_ASSERT(sizeof(TConfig_IMS_WEB) == 9 * sizeof(BSTR));

OVIX_CONFIG_LAYOUT_ASSERT(offsetof(TConfig_PUBLIC, WelcomeURL) == 0 * sizeof(BSTR));
OVIX_CONFIG_LAYOUT_ASSERT(offsetof(TConfig_PUBLIC, RegisterURL) == 1 * sizeof(BSTR));
OVIX_CONFIG_LAYOUT_ASSERT(offsetof(TConfig_PUBLIC, RegisterEndPath) == 2 * sizeof(BSTR));
OVIX_CONFIG_LAYOUT_ASSERT(offsetof(TConfig_PUBLIC, HelpURL) == 3 * sizeof(BSTR));
OVIX_CONFIG_LAYOUT_ASSERT(offsetof(TConfig_PUBLIC, Reserved) == 4 * sizeof(BSTR));
OVIX_CONFIG_LAYOUT_ASSERT(sizeof(TConfig_PUBLIC) == 5 * sizeof(BSTR));

#ifdef __cplusplus
}
#endif

#endif /* OVIX_CONFIG_CONFIGDEFINE_H */
