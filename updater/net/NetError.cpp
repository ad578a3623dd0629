#include "updater/net/NetError.h"

namespace ovix::updater {

namespace {
thread_local int tLastNetError = 0;
}  // namespace

int GetLastNetError() {
    return tLastNetError;
}

int SetLastNetError(int code) {
    tLastNetError = code;
    return code;
}

}  // namespace ovix::updater
