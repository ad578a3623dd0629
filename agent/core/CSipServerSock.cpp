#include "agent/core/CSipServerSock.h"

#include <algorithm>
#include <string>

namespace ovix::agent {

CSipServerSock::CSipServerSock(IListenerOwner* owner, std::uint16_t bufferSize) : owner_(owner) {
    SetBufferSize(bufferSize);
}

// The workers call OnReceive of this class, so they end before it is gone.
CSipServerSock::~CSipServerSock() {
    CSipServerSock::Close();
}

int CSipServerSock::OpenAt(std::string_view address, std::uint16_t port) {
    SetBindAddress(std::string(address));
    sipPort_.store(port);
    return Open(port, kWorkers);
}

int CSipServerSock::Close() {
    return CUDPServerSock::Close();
}

long CSipServerSock::SendToPeer(const std::uint8_t* bytes, std::size_t length) {
    sockaddr_in peer;
    if (!peer_.Load(&peer)) {
        return -1;
    }
    return SendDatagram(bytes, length, peer);
}

int CSipServerSock::OnReceive(int, int socket, int) {
    std::uint8_t buffer[kReceiveCapacity + 1];
    std::size_t length = 0;
    sockaddr_in from{};
    if (ReceiveDatagram(socket, buffer, std::min<std::size_t>(BufferSize(), kReceiveCapacity),
                        &length, &from) != DatagramStatus::kAccepted) {
        return 0;
    }
    peer_.Store(from);
    if (owner_ != nullptr) {
        // The listener reads SIP as zero-terminated text.
        owner_->OnSipDatagram(std::string_view(reinterpret_cast<const char*>(buffer)));
    }
    return 0;
}

}  // namespace ovix::agent
