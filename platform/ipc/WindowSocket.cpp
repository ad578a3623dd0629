#include "platform/ipc/WindowSocket.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/ipc/RuntimeGuard.h"

namespace ovix::platform {
namespace {

constexpr const char* kWindowsFolder = "windows";

}  // namespace

bool MakeSocketAddress(const std::string& path, sockaddr_un* address) {
    std::memset(address, 0, sizeof(*address));
    address->sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof(address->sun_path)) {
        return false;
    }
    std::memcpy(address->sun_path, path.data(), path.size());
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
    std::string path = folder + "/" + std::string(windowClass);
    sockaddr_un address;
    return MakeSocketAddress(path, &address) ? path : std::string();
}

std::string WindowGuardPath() {
    const std::string folder = RuntimeSubfolder(kWindowsFolder);
    return folder.empty() ? std::string() : folder + ".lock";
}

WindowSocketState ProbeWindowSocket(const std::string& path) {
    sockaddr_un address;
    if (!MakeSocketAddress(path, &address)) {
        return WindowSocketState::kAbsent;
    }
    const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return WindowSocketState::kAbsent;
    }
    const int rc = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address));
    const int error = errno;
    ::close(fd);
    if (rc == 0) {
        return WindowSocketState::kLive;
    }
    return error == ENOENT ? WindowSocketState::kAbsent : WindowSocketState::kStale;
}

}  // namespace ovix::platform
