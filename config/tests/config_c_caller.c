/* Calls the exports from plain C through the public header, as the main client would. */
#include <stdio.h>
#include <string.h>

#include "config/OvixConfig.h"

static int failures = 0;

static void Check(int ok, const char* what) {
    if (!ok) {
        fprintf(stderr, "FAILED: %s\n", what);
        ++failures;
    }
}

static int Equals(BSTR s, const char* ascii) {
    size_t n = strlen(ascii);
    if (SysStringLen(s) != n) {
        return 0;
    }
    for (size_t i = 0; i < n; ++i) {
        if (s[i] != (OLECHAR)ascii[i]) {
            return 0;
        }
    }
    return 1;
}

int main(void) {
    TConfig_IMS_WEB record;
    memset(&record, 0, sizeof record);
    GetConfig(&record, 11);
    Check(Equals(record.RegionNo, "011"), "region 11 number");
    Check(Equals(record.RegisterEndPath, "/ovixweb/register/End.jsp"), "register end path");
    GetConfig(&record, 3);
    Check(Equals(record.RegionNo, "0") && record.IMSServer == NULL, "region 3 unlisted");
    SysFreeString(record.RegionNo);

    BSTR proxy = NULL;
    GetProxy(&proxy, 99, 2);
    Check(proxy != NULL, "region 2 serves area 99");
    GetProxy(&proxy, 82, 2);
    Check(proxy == NULL, "region 2 does not serve area 82");

    TConfig_PUBLIC pub = {0};
    GetPublicConfig(&pub);
    Check(pub.HelpURL != NULL && pub.Reserved == NULL, "public record");
    SysFreeString(pub.WelcomeURL);
    SysFreeString(pub.RegisterURL);
    SysFreeString(pub.RegisterEndPath);
    SysFreeString(pub.HelpURL);
    if (failures == 0) {
        puts("C caller: all checks passed");
    }
    return failures == 0 ? 0 : 1;
}
