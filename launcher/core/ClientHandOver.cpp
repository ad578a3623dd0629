#include "launcher/core/ClientHandOver.h"

#include "common/MainClientContract.h"
#include "platform/ipc/WindowClass.h"

namespace ovix::launcher {

bool ActivateRunningClient() {
    if (!platform::FindWindowByClass(contract::kMainClientWindowClass)) {
        return false;
    }
    return platform::PostWindowMessage(contract::kMainClientWindowClass,
                                       contract::kMsgClientAlreadyRunning, 0, 0);
}

}  // namespace ovix::launcher
