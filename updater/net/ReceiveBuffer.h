// A ring of received bytes over one connected socket, handed out as single bytes, lines or
// blocks. The socket is not owned: dropping the buffer leaves it open.
#pragma once

#include <memory>
#include <vector>

namespace ovix::updater {

class CReceiveBuffer {
public:
    static constexpr int kNoByte = 256;

    // None when the socket is -1 or the size is not positive.
    static std::unique_ptr<CReceiveBuffer> Create(int socket, int size);

    // One receive of at most the free space; the bytes added, or 0 / -1 when none came.
    long FillBuffer(int timeoutMs);
    // 0-255, or kNoByte when no byte can be had.
    int GetByte(int timeoutMs);
    // Reads up to a line feed into `destination` (at most length - 1 bytes, always closed
    // with a zero). A line feed and a carriage return right before it are dropped. *status:
    // 0 line complete, 1 cut at the destination's size, -1 no more bytes. Result 0, or -1
    // when no more bytes came.
    int ReadLine(char* destination, int length, int* status, int timeoutMs);
    // The bytes held, up to `length`; when none are held, what one receive straight into
    // `destination` brings (up to `length`). 0 when nothing came.
    long ReadBlock(char* destination, long length, int timeoutMs);

    int Count() const { return m_count; }

private:
    CReceiveBuffer(int socket, int size);

    int m_socket;
    int m_size;
    std::vector<char> m_data;
    int m_count = 0;
    int m_readPosition = 0;
    int m_writePosition = 0;
};

}  // namespace ovix::updater
