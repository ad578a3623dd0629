#include "agent/core/CRtpServerSock.h"

namespace ovix::agent {

CRtpServerSock::CRtpServerSock(IListenerOwner* owner, std::uint16_t bufferSize)
    : CPeerListener(owner, bufferSize) {}

// The workers call OnReceive of this class, so they end before this object is gone.
CRtpServerSock::~CRtpServerSock() {
    CRtpServerSock::Close();
}

int CRtpServerSock::OpenAt(std::string_view address, std::uint16_t port) {
    return CPeerListener::OpenAt(address, port, kWorkers);
}

int CRtpServerSock::Close() {
    return CUDPServerSock::Close();
}

int CRtpServerSock::OnReceive(int, int socket, int) {
    // Each worker reads into its own buffer: up to five run this at once.
    std::uint8_t buffer[kReceiveCapacity + 1];
    std::size_t length = 0;
    sockaddr_in from{};
    if (ReceiveFromLocalSender(socket, buffer, &length, &from) && owner_ != nullptr) {
        owner_->OnRtpDatagram(buffer, length, from.sin_port);
    }
    return 0;
}

}  // namespace ovix::agent
