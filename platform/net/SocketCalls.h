// Small socket calls shared by the socket layers: sends that never raise SIGPIPE, the
// last error as a Windows Sockets number, and a bounded wait for readiness.
#pragma once

#include <netinet/in.h>

#include <cstddef>

namespace ovix::platform {

// errno of the last failed socket call, mapped to its Windows Sockets number.
int LastSocketError();

// send()/sendto() with MSG_NOSIGNAL added: a write to a closed connection fails with
// 10054 instead of ending the process. Result as the system call's.
long SendNoSignal(int socket, const void* bytes, std::size_t length, int flags);
long SendToNoSignal(int socket, const void* bytes, std::size_t length, int flags,
                    const sockaddr_in& to);

enum class SocketWait { kReady, kTimedOut, kFailed };

// Waits up to timeoutMs for any of the poll events; *revents gets what was reported.
SocketWait WaitForSocket(int socket, short events, int timeoutMs, short* revents);

}  // namespace ovix::platform
