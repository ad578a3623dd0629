#include "updater/net/ReceiveBuffer.h"

#include <algorithm>
#include <cstring>

#include "updater/net/SocketPrimitives.h"

namespace ovix::updater {

std::unique_ptr<CReceiveBuffer> CReceiveBuffer::Create(int socket, int size) {
    if (socket == kNoSocket || size <= 0) {
        return nullptr;
    }
    return std::unique_ptr<CReceiveBuffer>(new CReceiveBuffer(socket, size));
}

CReceiveBuffer::CReceiveBuffer(int socket, int size)
    : m_socket(socket), m_size(size), m_data(static_cast<size_t>(size), 0) {}

long CReceiveBuffer::FillBuffer(int timeoutMs) {
    if (m_count == 0) {
        // An empty ring may start over at 0, so the whole of it takes one receive.
        m_readPosition = 0;
        m_writePosition = 0;
    }
    // Received straight into the ring: the free bytes from the write position up to the end
    // or up to the read position, whichever comes first.
    const int freeBytes = m_size - m_count;
    const int contiguous = std::min(freeBytes, m_size - m_writePosition);
    if (contiguous <= 0) {
        return 0;
    }
    const long received =
        RecvWithTimeout(m_socket, m_data.data() + m_writePosition, contiguous, timeoutMs);
    if (received <= 0) {
        return received;
    }
    m_writePosition = (m_writePosition + static_cast<int>(received)) % m_size;
    m_count += static_cast<int>(received);
    return received;
}

int CReceiveBuffer::GetByte(int timeoutMs) {
    if (m_count == 0 && FillBuffer(timeoutMs) <= 0) {
        return kNoByte;
    }
    const auto byte = static_cast<unsigned char>(m_data[static_cast<size_t>(m_readPosition)]);
    m_readPosition = (m_readPosition + 1) % m_size;
    --m_count;
    return byte;
}

int CReceiveBuffer::ReadLine(char* destination, int length, int* status, int timeoutMs) {
    *status = 1;
    if (length <= 1) {
        if (length == 1) {
            destination[0] = '\0';
        }
        return 0;
    }
    int stored = 0;
    while (stored < length - 1) {
        const int byte = GetByte(timeoutMs);
        if (byte == kNoByte) {
            destination[stored] = '\0';
            *status = -1;
            return -1;
        }
        if (byte == '\n') {
            if (stored > 0 && destination[stored - 1] == '\r') {
                --stored;
            }
            destination[stored] = '\0';
            *status = 0;
            return 0;
        }
        destination[stored++] = static_cast<char>(byte);
    }
    destination[stored] = '\0';
    return 0;
}

long CReceiveBuffer::ReadBlock(char* destination, long length, int timeoutMs) {
    if (m_count == 0) {
        // Nothing held: one receive straight into the destination, as large as the caller's
        // block. Bulk bodies then move in the caller's block size without a copy through
        // the ring.
        const long received = RecvWithTimeout(m_socket, destination, length, timeoutMs);
        return received > 0 ? received : 0;
    }
    const int take = static_cast<int>(std::min<long>(m_count, length));
    const int first = std::min(take, m_size - m_readPosition);
    std::memcpy(destination, m_data.data() + m_readPosition, static_cast<size_t>(first));
    std::memcpy(destination + first, m_data.data(), static_cast<size_t>(take - first));
    m_readPosition = (m_readPosition + take) % m_size;
    m_count -= take;
    return take;
}

}  // namespace ovix::updater
