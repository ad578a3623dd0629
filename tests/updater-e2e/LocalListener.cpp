#include "tests/updater-e2e/LocalListener.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace ovix::updater::e2e {

CLocalListener::CLocalListener() {
    m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (m_fd < 0 || ::bind(m_fd, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        ::listen(m_fd, 16) != 0 ||
        ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        Close();
        return;
    }
    m_port = ntohs(address.sin_port);
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
