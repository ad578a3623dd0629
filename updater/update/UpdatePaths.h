// Files of one update run, all inside the program folder, and the server's resources.
#pragma once

#include <string>
#include <string_view>

namespace ovix::updater {

inline constexpr std::string_view kServerControlResource = "/patch/conupdate.cfg";
inline constexpr std::string_view kNextPackageResource = "/patch/v2.ovix";  // exactly one level up
inline constexpr std::string_view kFullPackageResource = "/patch/v1.ovix";  // any other step
inline constexpr std::string_view kLauncherResource = "/patch/Ovix";

// Suffix of a download job's temporary file.
inline constexpr std::string_view kTemporarySuffix = ".down";

struct UpdatePaths {
    explicit UpdatePaths(const std::string& programFolder);

    std::string localControl;   // installed levels
    std::string serverControl;  // the server's control file, deleted after reading
    std::string downloadFolder;
    std::string package;   // the update package the launcher installs
    std::string launcher;  // the launcher's program file
};

}  // namespace ovix::updater
