#include "tests/updater-e2e/LocalListener.h"

#include <sys/socket.h>
#include <unistd.h>

#include "platform/net/LoopbackAddress.h"

namespace ovix::updater::e2e {

CLocalListener::CLocalListener() {
    m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    const sockaddr_in address = platform::LoopbackAddress(0);
    if (m_fd < 0 ||
        ::bind(m_fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(m_fd, 16) != 0) {
        Close();
        return;
    }
    m_port = platform::BoundPort(m_fd);
}

CLocalListener::~CLocalListener() {
    Close();
}

int CLocalListener::TakeConnections() {
    int count = 0;
    while (m_fd >= 0) {
        const int client = ::accept(m_fd, nullptr, nullptr);
        if (client < 0) {
            break;
        }
        ::close(client);
        ++count;
    }
    return count;
}

void CLocalListener::Close() {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

}  // namespace ovix::updater::e2e
