#include "platform/ipc/WindowSocket.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/ipc/RuntimeGuard.h"

namespace ovix::platform {
namespace {

constexpr const char* kWindowsFolder = "windows";

}  // namespace

CSocketAddress::CSocketAddress(const std::string& path) {
    address_.sun_family = AF_UNIX;
    if (SetPath(path)) {
        valid_ = true;
        return;
    }
    const auto slash = path.rfind('/');
    if (slash == std::string::npos || slash == 0) {
        return;
    }
    folderFd_ = ::open(path.substr(0, slash).c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (folderFd_ >= 0) {
        valid_ = SetPath("/proc/self/fd/" + std::to_string(folderFd_) + path.substr(slash));
    }
}

CSocketAddress::~CSocketAddress() {
    if (folderFd_ >= 0) {
        ::close(folderFd_);
    }
}

bool CSocketAddress::SetPath(const std::string& path) {
    if (path.empty() || path.size() >= sizeof(address_.sun_path)) {
        return false;
    }
    std::memset(address_.sun_path, 0, sizeof(address_.sun_path));
    std::memcpy(address_.sun_path, path.data(), path.size());
    return true;
}

std::string WindowSocketPath(std::string_view windowClass) {
    if (!IsValidRuntimeName(windowClass)) {
        return {};
    }
    const std::string folder = RuntimeSubfolder(kWindowsFolder);
    if (folder.empty()) {
        return {};
    }
    return folder + "/" + std::string(windowClass);
}

std::string WindowGuardPath() {
    const std::string folder = RuntimeSubfolder(kWindowsFolder);
    return folder.empty() ? std::string() : folder + ".lock";
}

WindowSocketState ProbeWindowSocket(const std::string& path) {
    const CSocketAddress address(path);
    if (!address.IsValid()) {
        return WindowSocketState::kAbsent;
    }
    const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return WindowSocketState::kAbsent;
    }
    const int rc = ::connect(fd, address.Get(), address.Size());
    const int error = errno;
    ::close(fd);
    if (rc == 0) {
        return WindowSocketState::kLive;
    }
    return error == ENOENT ? WindowSocketState::kAbsent : WindowSocketState::kStale;
}

}  // namespace ovix::platform
