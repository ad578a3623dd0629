#include "agent/core/CServerSock.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <mutex>
#include <system_error>

#include "agent/core/SocketTrace.h"
#include "platform/net/LocalAddressList.h"
#include "platform/net/LoopbackAddress.h"
#include "platform/net/SocketCalls.h"
#include "platform/net/WinsockError.h"

namespace ovix::agent {

CServerSock::~CServerSock() {
    StopWorkers();
}

int CServerSock::OpenSocket(int type, std::uint16_t port) {
    const int created = Create(type, 0);
    if (created != 0) {
        lastOpenError_ = platform::LastSocketError();
        Close();
        return created;
    }
    std::string address = BindAddress();
    if (address.empty()) {
        address = platform::LocalAddress(-1);
        SetBindAddress(address);
    }
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(port);
    if (::inet_pton(AF_INET, address.c_str(), &local.sin_addr) != 1) {
        lastOpenError_ = platform::kWsaEADDRNOTAVAIL;
        Close();
        return -20;
    }
    if (::bind(Socket(), reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        lastOpenError_ = platform::LastSocketError();
        Close();
        return -20;
    }
    if (const std::uint16_t bound = platform::BoundPort(Socket()); bound != 0) {
        port = bound;
    }
    lastOpenError_ = 0;
    SocketTrace("server ip : %s, port : %d\r\n", address.c_str(), port);
    SetPort(port);
    return 0;
}

int CServerSock::StartWorkers(int count) {
    if (count < 1 || count > kMaxWorkers) {
        return -1;
    }
    // The table of started workers tells whether workers run: a worker that has not
    // reached its loop yet is not counted in runningCount_.
    if (!workers_.empty() || RunningCount() != 0) {
        return -2;
    }
    {
        CLockGuard guard(stopLock_);
        stopFlag_ = false;
    }
    wake_.Clear();  // no worker runs yet
    workers_.reserve(static_cast<std::size_t>(count));
    for (int index = 0; index < count; ++index) {
        try {
            workers_.emplace_back(&CServerSock::WorkThread, this, index);
        } catch (const std::system_error&) {
            // A worker the system would not start is left out; the others serve.
        }
    }
    return 0;
}

int CServerSock::StopWorkers() {
    if (workers_.empty()) {
        return -1;
    }
    {
        CLockGuard guard(stopLock_);
        stopFlag_ = true;
    }
    stopChanged_.notify_all();
    wake_.Signal();
    // Workers leave at once: a waiting poll ends on the wake event (or, should the system
    // have given no event, within kPollTimeoutMs), and receives do not block.
    for (std::thread& worker : workers_) {
        worker.join();
    }
    workers_.clear();
    CLockGuard guard(countLock_);
    runningCount_ = 0;
    return 0;
}

int CServerSock::RunningCount() {
    CLockGuard guard(countLock_);
    return runningCount_;
}

bool CServerSock::StopRequested() {
    CLockGuard guard(stopLock_);
    return stopFlag_;
}

void CServerSock::PauseUnlessStopped(int ms) {
    std::unique_lock<CLock> guard(stopLock_);
    stopChanged_.wait_for(guard, std::chrono::milliseconds(ms), [this] { return stopFlag_; });
}

void CServerSock::WorkThread(CServerSock* server, int index) {
    SocketTrace("CServerSock::WorkThread - has been enter! (ThreadIdx : %d)\r\n", index);
    {
        CLockGuard guard(server->countLock_);
        ++server->runningCount_;
    }
    while (!server->StopRequested()) {
        if (server->Poll(index, kPollTimeoutMs) == kPollFailed) {
            server->PauseUnlessStopped(kPauseMs);
        }
    }
    CLockGuard guard(server->countLock_);
    --server->runningCount_;
}

}  // namespace ovix::agent
