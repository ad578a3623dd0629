// Handing over to a main client that is already running.
#pragma once

namespace ovix::launcher {

// Posts "another start" (10024, wParam 0, lParam 0) to the main client's window when one is
// found; does nothing otherwise. True when the message was posted.
bool ActivateRunningClient();

}  // namespace ovix::launcher
