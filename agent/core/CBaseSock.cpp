#include "agent/core/CBaseSock.h"

#include <sys/socket.h>
#include <unistd.h>

namespace ovix::agent {

CBaseSock::~CBaseSock() {
    CloseHandle();
}

int CBaseSock::Create(int type, int protocol) {
    const int created = ::socket(AF_INET, type | SOCK_CLOEXEC, protocol);
    if (created < 0) {
        return -10;
    }
    CLockGuard guard(handleLock_);
    const int old = socket_.exchange(created);
    if (old != kInvalidSocket) {
        ::close(old);
    }
    return 0;
}

int CBaseSock::Close() {
    SetPort(0);
    return CloseHandle();
}

bool CBaseSock::SetBufferSize(std::uint16_t n) {
    buffer_ = std::make_unique<std::uint8_t[]>(std::size_t{n} + 1);
    bufferSize_ = n;
    return true;
}

std::string CBaseSock::BindAddress() const {
    CLockGuard guard(addressLock_);
    return bindAddress_;
}

void CBaseSock::SetBindAddress(std::string address) {
    CLockGuard guard(addressLock_);
    bindAddress_ = std::move(address);
}

void CBaseSock::ShutdownSocket() {
    CLockGuard guard(handleLock_);
    const int handle = socket_.load();
    if (handle != kInvalidSocket) {
        ::shutdown(handle, SHUT_RDWR);
    }
}

int CBaseSock::CloseHandle() {
    CLockGuard guard(handleLock_);
    const int handle = socket_.exchange(kInvalidSocket);
    if (handle == kInvalidSocket) {
        return -1;
    }
    return ::close(handle);
}

}  // namespace ovix::agent
