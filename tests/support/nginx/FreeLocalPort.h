#pragma once

namespace ovix::testsupport {

// A TCP port on 127.0.0.1 that was free a moment ago (bound to port 0, then let go); 0 when
// none could be had. Another process may take it before the caller binds it.
int FreeLocalPort();

// True when something accepts a TCP connection on 127.0.0.1:port.
bool AcceptsOnLocalPort(int port);

}  // namespace ovix::testsupport
