#include "platform/ipc/WindowClass.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "platform/ipc/WindowMessage.h"
#include "platform/ipc/WindowSocket.h"

namespace ovix::platform {

bool FindWindowByClass(std::string_view windowClass) {
    const std::string path = WindowSocketPath(windowClass);
    return !path.empty() && ProbeWindowSocket(path) == WindowSocketState::kLive;
}

bool PostWindowMessage(std::string_view windowClass, unsigned message, std::uintptr_t wParam,
                       std::intptr_t lParam) {
    const std::string path = WindowSocketPath(windowClass);
    if (path.empty()) {
        return false;
    }
    const CSocketAddress address(path);
    if (!address.IsValid()) {
        return false;
    }
    const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return false;
    }
    const std::string text = FormatWindowMessage({message, wParam, lParam});
    ssize_t sent;
    do {
        // Never blocks: a full queue fails the post, as a full message queue would.
        sent = ::sendto(fd, text.data(), text.size(), MSG_DONTWAIT, address.Get(), address.Size());
    } while (sent < 0 && errno == EINTR);
    ::close(fd);
    return sent == static_cast<ssize_t>(text.size());
}

}  // namespace ovix::platform
