// Socket steps of the fault proxy: an owned descriptor, a loopback listener and connector,
// and bounded sends and receives.
#pragma once

#include <string>

namespace ovix::tools {

class CProxySocket {
public:
    CProxySocket() = default;
    explicit CProxySocket(int fd) : m_fd(fd) {}
    ~CProxySocket() { Close(); }
    CProxySocket(CProxySocket&& other) noexcept : m_fd(other.m_fd) { other.m_fd = -1; }
    CProxySocket& operator=(CProxySocket&& other) noexcept;
    CProxySocket(const CProxySocket&) = delete;
    CProxySocket& operator=(const CProxySocket&) = delete;

    int Fd() const { return m_fd; }
    bool Valid() const { return m_fd >= 0; }
    void Close();
    // Closes with a reset instead of an orderly close.
    void Reset();

    // Sends every byte (blocking socket, no SIGPIPE); false when the peer is gone.
    bool SendAll(const char* bytes, std::size_t length) const;

    static CProxySocket ListenLoopback(int* port);
    static CProxySocket ConnectLoopback(int port);

private:
    int m_fd = -1;
};

}  // namespace ovix::tools
