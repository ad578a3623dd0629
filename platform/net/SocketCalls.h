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

// Waits up to timeoutMs for the socket's events or for wakeFd to become readable (a
// descriptor another thread signals to end the wait early, e.g. an eventfd). kReady
// when either is reported: *revents gets the socket's events, *woken whether wakeFd
// was readable. A negative socket or wakeFd is left out of the wait.
SocketWait WaitForSocketOrWake(int socket, short events, int wakeFd, int timeoutMs, short* revents,
                               bool* woken);

}  // namespace ovix::platform
