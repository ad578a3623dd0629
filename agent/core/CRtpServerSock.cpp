#include "agent/core/CRtpServerSock.h"

#include <algorithm>
#include <string>

namespace ovix::agent {

CRtpServerSock::CRtpServerSock(IListenerOwner* owner, std::uint16_t bufferSize) : owner_(owner) {
    SetBufferSize(bufferSize);
}

// The workers call OnReceive of this class, so they end before it is gone.
CRtpServerSock::~CRtpServerSock() {
    CRtpServerSock::Close();
}

int CRtpServerSock::OpenAt(std::string_view address, std::uint16_t port) {
    SetBindAddress(std::string(address));
    return Open(port, kWorkers);
}

int CRtpServerSock::Close() {
    return CUDPServerSock::Close();
}

long CRtpServerSock::SendToPeer(const std::uint8_t* bytes, std::size_t length) {
    sockaddr_in peer;
    if (!peer_.Load(&peer)) {
        return -1;
    }
    return SendDatagram(bytes, length, peer);
}

int CRtpServerSock::OnReceive(int, int socket, int) {
    // Each worker reads into its own buffer: up to five run this at once.
    std::uint8_t buffer[kReceiveCapacity + 1];
    std::size_t length = 0;
    sockaddr_in from{};
    if (ReceiveDatagram(socket, buffer, std::min<std::size_t>(BufferSize(), kReceiveCapacity),
                        &length, &from) != DatagramStatus::kAccepted) {
        return 0;
    }
    peer_.Store(from);
    if (owner_ != nullptr) {
        owner_->OnRtpDatagram(buffer, length, from.sin_port);
    }
    return 0;
}

}  // namespace ovix::agent
