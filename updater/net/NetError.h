// The last network error of the calling thread, as a Windows Sockets number
// (platform/net/WinsockError.h). A failing primitive stores it; a success leaves it alone.
#pragma once

namespace ovix::updater {

int GetLastNetError();
int SetLastNetError(int code);

}  // namespace ovix::updater
