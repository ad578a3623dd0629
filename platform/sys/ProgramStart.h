// Starting a program in the manner of a shell start: the program file with no arguments, an
// optional working folder, a show command, and a process handle to wait on.
#pragma once

#include <string>

#include "platform/sys/ProcessHandle.h"

namespace ovix::platform {

// Window show commands. Programs without windows ignore them; the value is handed to the
// started program in the environment variable kShowCommandVariable ("5" or "0").
enum class ShowCommand : int {
    kHide = 0,
    kShow = 5,
};

inline constexpr const char* kShowCommandVariable = "OVIX_SHOW_COMMAND";

// Starts `file` with no arguments (argv[0] is the file), the caller's environment plus
// OVIX_SHOW_COMMAND, in `workingFolder` (the caller's own when empty). True when the program
// was started; `process` (may be null) then holds its handle. False when the file cannot be
// executed or the folder cannot be entered; `process` is then left invalid.
bool StartProgram(const std::string& file, const std::string& workingFolder, ShowCommand show,
                  CProcessHandle* process);

}  // namespace ovix::platform
