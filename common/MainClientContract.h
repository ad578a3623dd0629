// What the suite shares with the outside main client and between its own programs:
// message numbers, names of named objects and windows, program and file names.
// Every program reads these from here; no literal is repeated elsewhere.
#pragma once

#include <string>
#include <string_view>

#include "platform/sys/ProgramSuffix.h"

namespace ovix::contract {

// Messages posted to the main client's window (wParam 0, lParam 0).
inline constexpr unsigned kMsgClientAlreadyRunning = 10024;  // posted by the launcher
inline constexpr unsigned kMsgUpdatePackageReady = 3024;     // posted by the updater

// Window class of the main client's top-level window.
inline constexpr std::string_view kMainClientWindowClass = "Ovixmain";

// Named kernel objects.
inline constexpr std::string_view kMainClientEvent = "CLIENTOvix";  // held by a running main client
inline constexpr std::string_view kLauncherInstanceMutex = "pathMutex";  // one launcher at a time
inline constexpr std::string_view kLauncherRunningMutex = "mymutexfordown";  // updater waits for it
inline constexpr std::string_view kLauncherReplaceMutex =
    "mymutexforovix";                                                   // updater replaces launcher
inline constexpr std::string_view kUpdaterInstanceMutex = "DownMutex";  // one updater at a time

// Automation object of the tunnel agent.
inline constexpr std::string_view kAgentProgId = "OvixAgent.Application";

// Program files, base names; the platform suffix is appended by ProgramFileName().
inline constexpr std::string_view kLauncherProgram = "Ovix";
inline constexpr std::string_view kUpdaterProgram = "Pullpatch";
inline constexpr std::string_view kMainClientProgram = "Ovixmain";
inline constexpr std::string_view kAgentProgram = "OvixAgent";

// Files and folders inside the program folder.
inline constexpr std::string_view kDownloadFolder = "Download";
inline constexpr std::string_view kUpdatePackageName = "update.ovix";
inline constexpr std::string_view kUpdatePackagePath = "/Download/update.ovix";
inline constexpr std::string_view kLocalControlFile = "/conupdate.cfg";
inline constexpr std::string_view kServerControlFile = "/conupdateup.cfg";
inline constexpr std::string_view kNoticeControlFile = "/conupdateshow.cfg";

// Desktop shortcut (a desktop entry on Linux).
inline constexpr std::string_view kDesktopShortcutName = "ovix.desktop";

// "Ovix" + platform suffix, and so on.
inline std::string ProgramFileName(std::string_view base) {
    return std::string(base) + std::string(platform::kProgramSuffix);
}

}  // namespace ovix::contract
