#pragma once

namespace ovix::updater::e2e {

// A TCP listener on 127.0.0.1 that accepts nothing by itself, so a test can tell whether a
// program tried to connect. Without it listening, the same port stands for "no server".
class CLocalListener {
public:
    CLocalListener();
    ~CLocalListener();
    CLocalListener(const CLocalListener&) = delete;
    CLocalListener& operator=(const CLocalListener&) = delete;

    int Port() const { return m_port; }
    // Connections that arrived so far (taken off the queue and closed).
    int TakeConnections();
    // Stops listening; later connections to the port are refused.
    void Close();

private:
    int m_fd = -1;
    int m_port = 0;
};

}  // namespace ovix::updater::e2e
