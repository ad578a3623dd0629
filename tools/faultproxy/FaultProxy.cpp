#include "tools/faultproxy/FaultProxy.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <utility>

namespace ovix::tools {

namespace {

constexpr int kRequestWaitMs = 5000;
constexpr int kUpstreamWaitMs = 10000;
constexpr std::size_t kMaxRequestHeader = 65536;
constexpr std::size_t kChunk = 65536;

}  // namespace

CFaultProxy::CFaultProxy(FaultPlan plan, int upstreamPort)
    : m_plan(std::move(plan)), m_upstreamPort(upstreamPort) {}

CFaultProxy::~CFaultProxy() {
    Stop();
}

bool CFaultProxy::Start() {
    if (m_thread.joinable()) {
        return true;
    }
    int port = 0;
    m_listener = CProxySocket::ListenLoopback(&port);
    if (!m_listener.Valid() || ::pipe2(m_stopPipe, O_CLOEXEC) != 0) {
        return false;
    }
    m_port = port;
    m_thread = std::thread([this] { Serve(); });
    return true;
}

void CFaultProxy::Stop() {
    if (m_thread.joinable()) {
        const char stop = 's';
        [[maybe_unused]] const ssize_t written = ::write(m_stopPipe[1], &stop, 1);
        m_thread.join();
    }
    m_listener.Close();
    for (int& fd : m_stopPipe) {
        if (fd >= 0) {
            ::close(fd);
            fd = -1;
        }
    }
}

void CFaultProxy::SetPlan(FaultPlan plan) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_plan = std::move(plan);
}

std::vector<std::string> CFaultProxy::Requests() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_requests;
}

bool CFaultProxy::WaitReadable(int fd, int timeoutMs) {
    pollfd entries[2] = {{fd, POLLIN, 0}, {m_stopPipe[0], POLLIN, 0}};
    for (;;) {
        const int ready = ::poll(entries, 2, timeoutMs);
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready <= 0 || entries[1].revents != 0) {
            return false;
        }
        return entries[0].revents != 0;
    }
}

void CFaultProxy::Serve() {
    for (std::size_t connection = 0;; ++connection) {
        if (!WaitReadable(m_listener.Fd(), -1)) {
            return;
        }
        CProxySocket client(::accept4(m_listener.Fd(), nullptr, nullptr, SOCK_CLOEXEC));
        if (!client.Valid()) {
            continue;
        }
        FaultStep step;
        {
            std::lock_guard<std::mutex> guard(m_lock);
            step = m_plan.StepFor(connection);
        }
        ServeConnection(std::move(client), step);
    }
}

std::string CFaultProxy::ReadRequestHeader(const CProxySocket& client) {
    std::string header;
    char byte = 0;
    // Byte by byte, so nothing after the blank line is taken from the socket.
    while (header.size() < kMaxRequestHeader) {
        if (!WaitReadable(client.Fd(), kRequestWaitMs) || ::recv(client.Fd(), &byte, 1, 0) != 1) {
            return std::string();
        }
        header += byte;
        if (header.size() >= 4 && header.compare(header.size() - 4, 4, "\r\n\r\n") == 0) {
            return header;
        }
    }
    return header;
}

void CFaultProxy::ServeConnection(CProxySocket client, const FaultStep& step) {
    const std::string request = ReadRequestHeader(client);
    if (request.empty()) {
        return;
    }
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_requests.push_back(request);
    }
    if (step.kind == FaultStep::Kind::kScript) {
        client.SendAll(step.script.data(), step.script.size());
        ::shutdown(client.Fd(), SHUT_WR);
        HoldUntilClosed(client);
        return;
    }
    if (m_upstreamPort == 0) {
        return;
    }
    CProxySocket upstream = CProxySocket::ConnectLoopback(m_upstreamPort);
    if (!upstream.Valid() || !upstream.SendAll(request.data(), request.size())) {
        return;
    }
    bool reset = false;
    Relay(client, upstream, step, &reset);
    if (reset) {
        client.Reset();
    }
}

void CFaultProxy::Relay(const CProxySocket& client, const CProxySocket& upstream,
                        const FaultStep& step, bool* reset) {
    const bool limited = step.kind != FaultStep::Kind::kPass;
    std::string headerSeen;  // the answer up to its blank line, to find where the body starts
    bool inBody = false;
    std::int64_t bodySent = 0;
    std::vector<char> chunk(kChunk);
    for (;;) {
        if (!WaitReadable(upstream.Fd(), kUpstreamWaitMs)) {
            return;
        }
        const ssize_t got = ::recv(upstream.Fd(), chunk.data(), chunk.size(), 0);
        if (got <= 0) {
            return;
        }
        std::size_t offset = 0;
        std::size_t length = static_cast<std::size_t>(got);
        if (!inBody) {
            const std::size_t before = headerSeen.size();
            headerSeen.append(chunk.data(), length);
            const std::size_t end = headerSeen.find("\r\n\r\n");
            if (end == std::string::npos) {
                if (!client.SendAll(chunk.data(), length)) {
                    return;
                }
                continue;
            }
            inBody = true;
            const std::size_t headerPart = end + 4 - before;
            if (!client.SendAll(chunk.data(), headerPart)) {
                return;
            }
            offset = headerPart;
            length -= headerPart;
        }
        std::size_t pass = length;
        if (limited) {
            pass = static_cast<std::size_t>(std::min<std::int64_t>(
                static_cast<std::int64_t>(length), step.bodyBytes - bodySent));
        }
        if (pass > 0 && !client.SendAll(chunk.data() + offset, pass)) {
            return;
        }
        bodySent += static_cast<std::int64_t>(pass);
        if (limited && bodySent >= step.bodyBytes) {
            if (step.kind == FaultStep::Kind::kReset) {
                *reset = true;
            } else if (step.kind == FaultStep::Kind::kStall) {
                HoldUntilClosed(client);
            }
            return;
        }
    }
}

void CFaultProxy::HoldUntilClosed(const CProxySocket& client) {
    char sink[512];
    while (WaitReadable(client.Fd(), -1)) {
        if (::recv(client.Fd(), sink, sizeof sink, 0) <= 0) {
            return;
        }
    }
}

}  // namespace ovix::tools
