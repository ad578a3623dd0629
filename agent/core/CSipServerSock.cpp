#include "agent/core/CSipServerSock.h"

namespace ovix::agent {

CSipServerSock::CSipServerSock(IListenerOwner* owner, std::uint16_t bufferSize)
    : CPeerListener(owner, bufferSize) {}

// The worker calls OnReceive of this class, so it ends before this object is gone.
CSipServerSock::~CSipServerSock() {
    CSipServerSock::Close();
}

int CSipServerSock::OpenAt(std::string_view address, std::uint16_t port) {
    sipPort_.store(port);
    return CPeerListener::OpenAt(address, port, kWorkers);
}

int CSipServerSock::Close() {
    return CUDPServerSock::Close();
}

int CSipServerSock::OnReceive(int, int socket, int) {
    std::uint8_t buffer[kReceiveCapacity + 1];
    std::size_t length = 0;
    sockaddr_in from{};
    if (ReceiveFromLocalSender(socket, buffer, &length, &from) && owner_ != nullptr) {
        // SIP is read as zero-terminated text.
        owner_->OnSipDatagram(std::string_view(reinterpret_cast<const char*>(buffer)));
    }
    return 0;
}

}  // namespace ovix::agent
