// The driver runs until its standard input closes or it gets SIGTERM or SIGINT.
#pragma once

namespace ovix::tools {

// Blocks SIGTERM and SIGINT in the calling thread; call before any other thread starts, so
// that every thread inherits the mask and the signals wait for WaitForEndOfRun.
bool BlockEndSignals();

// Waits until standard input reaches its end (or fails) or an end signal arrives.
void WaitForEndOfRun();

}  // namespace ovix::tools
