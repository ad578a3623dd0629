/* Uses the BSTR library from plain C, as a C caller would: builds, replaces and frees. */
#include <stdio.h>
#include <string.h>

#include "platform/bstr/OvixBstr.h"

static int failures = 0;

static void Check(int ok, const char* what) {
    if (!ok) {
        fprintf(stderr, "FAILED: %s\n", what);
        ++failures;
    }
}

int main(void) {
    static const OLECHAR kHello[] = {'h', 'e', 'l', 'l', 'o', 0};
    BSTR s = SysAllocString(kHello);
    Check(s != NULL, "allocate");
    Check(SysStringLen(s) == 5, "length 5");
    Check(memcmp(s, kHello, sizeof kHello) == 0, "text and terminator");
    Check(SysReAllocStringLen(&s, s + 1, 3) == 1, "reallocate from own text");
    Check(SysStringLen(s) == 3 && s[0] == 'e' && s[2] == 'l' && s[3] == 0, "reallocated text");
    SysFreeString(s);
    Check(SysStringLen(NULL) == 0, "null length");
    SysFreeString(NULL);
    if (failures == 0) {
        puts("C caller: all checks passed");
    }
    return failures == 0 ? 0 : 1;
}
