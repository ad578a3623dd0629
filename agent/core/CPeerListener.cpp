#include "agent/core/CPeerListener.h"

#include <algorithm>
#include <string>

namespace ovix::agent {

CPeerListener::CPeerListener(IListenerOwner* owner, std::uint16_t bufferSize) : owner_(owner) {
    SetBufferSize(bufferSize);
}

int CPeerListener::OpenAt(std::string_view address, std::uint16_t port, int workerCount) {
    SetBindAddress(std::string(address));
    return Open(port, workerCount);
}

long CPeerListener::SendToPeer(const std::uint8_t* bytes, std::size_t length) {
    sockaddr_in peer;
    if (!peer_.Load(&peer)) {
        return -1;
    }
    return SendDatagram(bytes, length, peer);
}

bool CPeerListener::ReceiveFromLocalSender(int socket, std::uint8_t* buffer, std::size_t* length,
                                           sockaddr_in* from) {
    const std::size_t capacity = std::min<std::size_t>(BufferSize(), kReceiveCapacity);
    if (ReceiveDatagram(socket, buffer, capacity, length, from) != DatagramStatus::kAccepted) {
        return false;
    }
    peer_.Store(*from);
    return true;
}

}  // namespace ovix::agent
