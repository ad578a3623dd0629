#include "platform/ipc/RuntimeFolder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace ovix::platform {
namespace {

std::string NonEmptyVariable(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::string(value) : std::string();
}

std::string OctalMode(mode_t mode) {
    char text[8];
    std::snprintf(text, sizeof(text), "%04o", static_cast<unsigned>(mode & 07777));
    return text;
}

}  // namespace

std::string RuntimeFolderPath() {
    std::string folder = NonEmptyVariable(kRuntimeFolderVariable);
    if (!folder.empty()) {
        return folder;
    }
    const std::string xdg = NonEmptyVariable("XDG_RUNTIME_DIR");
    if (!xdg.empty()) {
        return xdg + "/ovix";
    }
    return "/tmp/ovix-" + std::to_string(::geteuid());
}

bool PrepareRuntimeFolder(const std::string& folder, std::string* error) {
    auto refuse = [&](const std::string& why) {
        if (error != nullptr) {
            *error = "ovix: runtime folder " + folder + " refused: " + why;
        }
        return false;
    };
    if (folder.empty()) {
        return refuse("no folder name");
    }
    // A missing folder is made private from the start; the mode is checked again below in
    // case another user's process created it first.
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        return refuse(std::string("cannot create it: ") + std::strerror(errno));
    }
    struct stat info {};
    if (::lstat(folder.c_str(), &info) != 0) {
        return refuse(std::string("cannot inspect it: ") + std::strerror(errno));
    }
    if (S_ISLNK(info.st_mode)) {
        return refuse("it is a symbolic link");
    }
    if (!S_ISDIR(info.st_mode)) {
        return refuse("it is not a folder");
    }
    if (info.st_uid != ::geteuid()) {
        return refuse("it is owned by uid " + std::to_string(info.st_uid) + ", not by uid " +
                      std::to_string(::geteuid()));
    }
    if ((info.st_mode & 077) != 0) {
        return refuse("its mode " + OctalMode(info.st_mode) +
                      " gives access to other users (it must be 0700)");
    }
    return true;
}

std::string RuntimeFolder() {
    const std::string folder = RuntimeFolderPath();
    std::string error;
    if (!PrepareRuntimeFolder(folder, &error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return {};
    }
    return folder;
}

}  // namespace ovix::platform
