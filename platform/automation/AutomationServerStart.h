// How a local server process learns that it was started for automation, and where its
// channel is: the client starts it with the option "-Automation" and hands over the
// server end of a connected socket pair, whose descriptor number is in the environment.
#pragma once

namespace ovix::platform {

inline constexpr const char* kAutomationChannelEnv = "OVIX_AUTOMATION_FD";
inline constexpr const char* kAutomationOption = "-Automation";

// The handed-over channel descriptor, or -1 when there is none or it is not a socket.
// Removes the variable from the environment and marks the descriptor close-on-exec, so
// programs this server starts do not inherit the channel.
int TakeAutomationChannelFd();

}  // namespace ovix::platform
