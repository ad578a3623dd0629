// Real sockets on 127.0.0.1 for the listener, tunnel and relay tests: a UDP peer that
// plays the softphone, a TCP peer that plays the tunnel server, and recorders for what
// the agent hands on. Every wait is bounded.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "agent/core/AgentLogSink.h"
#include "agent/core/IListenerOwner.h"
#include "agent/core/ITunnelOwner.h"
#include "agent/core/tests/TestBytes.h"
#include "platform/net/LoopbackAddress.h"
#include "platform/net/SocketCalls.h"

namespace ovix::agent::testing {

inline constexpr std::chrono::milliseconds kWait{3000};

// The agent binds to the first local address; pin it to loopback for every test here.
struct PinLocalAddresses {
    explicit PinLocalAddresses(const char* list) { ::setenv("OVIX_LOCAL_ADDRESSES", list, 1); }
};

class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() { Reset(); }
    Fd(Fd&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    Fd& operator=(Fd&& other) noexcept {
        Reset();
        fd_ = other.fd_;
        other.fd_ = -1;
        return *this;
    }
    int Get() const { return fd_; }
    void Reset() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        fd_ = -1;
    }

private:
    int fd_;
};

inline bool WaitReadable(int fd, std::chrono::milliseconds wait) {
    return platform::WaitForSocket(fd, POLLIN, static_cast<int>(wait.count()), nullptr) ==
           platform::SocketWait::kReady;
}

// A UDP socket on 127.0.0.1 (port 0: any free port); bind failure leaves it invalid.
class UdpPeer {
public:
    explicit UdpPeer(std::uint16_t port = 0, in_addr_t address = htonl(INADDR_LOOPBACK))
        : fd_(::socket(AF_INET, SOCK_DGRAM, 0)) {
        sockaddr_in local = platform::LoopbackAddress(port);
        local.sin_addr.s_addr = address;
        if (::bind(fd_.Get(), reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
            fd_.Reset();
        }
    }
    bool Valid() const { return fd_.Get() >= 0; }
    std::uint16_t Port() const { return platform::BoundPort(fd_.Get()); }
    bool SendTo(std::uint16_t port, const Bytes& bytes) const {
        const sockaddr_in to = platform::LoopbackAddress(port);
        return ::sendto(fd_.Get(), bytes.data(), bytes.size(), 0,
                        reinterpret_cast<const sockaddr*>(&to),
                        sizeof to) == static_cast<long>(bytes.size());
    }
    std::optional<Bytes> Receive(std::chrono::milliseconds wait = kWait) const {
        if (!WaitReadable(fd_.Get(), wait)) {
            return std::nullopt;
        }
        Bytes buffer(70000);
        const long n = ::recv(fd_.Get(), buffer.data(), buffer.size(), MSG_DONTWAIT);
        if (n < 0) {
            return std::nullopt;
        }
        buffer.resize(static_cast<std::size_t>(n));
        return buffer;
    }

private:
    Fd fd_;
};

// A listening TCP socket on 127.0.0.1 playing the tunnel server.
class TcpServerPeer {
public:
    explicit TcpServerPeer(int receiveBuffer = 0) : listener_(::socket(AF_INET, SOCK_STREAM, 0)) {
        const int on = 1;
        ::setsockopt(listener_.Get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        if (receiveBuffer > 0) {
            // Set on the listener so the accepted socket starts with the small window.
            ::setsockopt(listener_.Get(), SOL_SOCKET, SO_RCVBUF, &receiveBuffer,
                         sizeof receiveBuffer);
        }
        const sockaddr_in local = platform::LoopbackAddress(0);
        ::bind(listener_.Get(), reinterpret_cast<const sockaddr*>(&local), sizeof local);
        ::listen(listener_.Get(), 4);
    }
    std::uint16_t Port() const { return platform::BoundPort(listener_.Get()); }
    bool Accept(std::chrono::milliseconds wait = kWait) {
        if (!WaitReadable(listener_.Get(), wait)) {
            return false;
        }
        connection_ = Fd(::accept(listener_.Get(), nullptr, nullptr));
        return connection_.Get() >= 0;
    }
    // Reads exactly n bytes, or fewer when the wait runs out or the agent closes.
    Bytes Read(std::size_t n, std::chrono::milliseconds wait = kWait) {
        Bytes out;
        const auto deadline = std::chrono::steady_clock::now() + wait;
        while (out.size() < n) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0 || !WaitReadable(connection_.Get(), left)) {
                break;
            }
            std::uint8_t buffer[65536];
            const long got =
                ::recv(connection_.Get(), buffer, std::min(sizeof buffer, n - out.size()), 0);
            if (got <= 0) {
                break;
            }
            out.insert(out.end(), buffer, buffer + got);
        }
        return out;
    }
    // Reads one whole frame (header and payload).
    Bytes ReadFrame(std::chrono::milliseconds wait = kWait) {
        Bytes header = Read(2, wait);
        if (header.size() < 2) {
            return header;
        }
        const Bytes rest = Read((std::size_t{header[0]} << 8) | header[1], wait);
        header.insert(header.end(), rest.begin(), rest.end());
        return header;
    }
    // True when nothing arrives within the wait.
    bool Quiet(std::chrono::milliseconds wait) { return !WaitReadable(connection_.Get(), wait); }
    bool Write(const Bytes& bytes) {
        return ::send(connection_.Get(), bytes.data(), bytes.size(), MSG_NOSIGNAL) ==
               static_cast<long>(bytes.size());
    }
    void CloseConnection() { connection_.Reset(); }
    int Connection() const { return connection_.Get(); }

private:
    Fd listener_;
    Fd connection_;
};

// Collects lines or items from worker threads and waits for them.
template <typename Item>
class Recorder {
public:
    void Add(Item item) {
        {
            std::lock_guard<std::mutex> guard(mutex_);
            items_.push_back(std::move(item));
        }
        changed_.notify_all();
    }
    bool WaitForCount(std::size_t count, std::chrono::milliseconds wait = kWait) {
        std::unique_lock<std::mutex> guard(mutex_);
        return changed_.wait_for(guard, wait, [&] { return items_.size() >= count; });
    }
    // Waits until at least count items match. match runs under the recorder's lock.
    template <typename Match>
    bool WaitFor(Match match, std::chrono::milliseconds wait = kWait, std::size_t count = 1) {
        std::unique_lock<std::mutex> guard(mutex_);
        return changed_.wait_for(guard, wait, [&] {
            std::size_t matching = 0;
            for (const Item& item : items_) {
                matching += match(item) ? 1 : 0;
            }
            return matching >= count;
        });
    }
    std::vector<Item> Items() {
        std::lock_guard<std::mutex> guard(mutex_);
        return items_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Item> items_;
};

struct RtpDatagram {
    Bytes bytes;
    std::uint16_t sourcePortNetworkOrder = 0;
};

class RecordingListenerOwner : public IListenerOwner {
public:
    void OnSipDatagram(std::string_view text) override { sip.Add(std::string(text)); }
    void OnRtpDatagram(const std::uint8_t* bytes, std::size_t length, std::uint16_t port) override {
        rtp.Add({Bytes(bytes, bytes + length), port});
    }
    Recorder<std::string> sip;
    Recorder<RtpDatagram> rtp;
};

class RecordingLog : public IAgentLogSink {
public:
    void AddLogLine(std::string_view line) override { lines.Add(std::string(line)); }
    std::size_t Count(std::string_view line) {
        std::size_t n = 0;
        for (const std::string& item : lines.Items()) {
            n += item == line;
        }
        return n;
    }
    bool WaitForLine(std::string_view line, std::chrono::milliseconds wait = kWait,
                     std::size_t count = 1) {
        return lines.WaitFor([&](const std::string& item) { return item == line; }, wait, count);
    }
    Recorder<std::string> lines;
};

}  // namespace ovix::agent::testing
