// A bound socket served by worker threads, each waiting on the socket and on a wake
// event that StopWorkers signals, so an idle worker sleeps until a datagram or a stop.
//
// A derived class must stop the workers in its own destructor (its Close does), because
// the workers call its virtual Poll and OnReceive.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <thread>
#include <vector>

#include "agent/core/CBaseSock.h"
#include "agent/core/CLock.h"
#include "agent/core/CWakeEvent.h"

namespace ovix::agent {

class CServerSock : public CBaseSock {
public:
    static constexpr int kMaxWorkers = 1000;
    // Longest single wait of an idle worker. Only a safety net: a datagram, a stop and a
    // shut socket all end the wait at once.
    static constexpr int kPollTimeoutMs = 1000;
    static constexpr int kPauseMs = 20;

    // Poll results.
    static constexpr int kPollHandled = 0;    // something was read, or nothing was ready
    static constexpr int kPollTimedOut = -1;  // the wait ran out: the wait was the pause
    static constexpr int kPollFailed = -2;    // the wait failed: pause before the next

    ~CServerSock() override;

    // Creates the socket and binds it to BindAddress() (the host's last local address
    // when empty) and port. -10 when the socket cannot be made, -20 when the bind fails
    // (the socket is closed again); 0 on success, with the trace
    // "server ip : %s, port : %d\r\n". Port 0 binds any free port; Port() tells which.
    virtual int OpenSocket(int type, std::uint16_t port);

    // Starts count WorkThreads: -1 for a count outside 1..1000, -2 while workers run,
    // 0 otherwise.
    int StartWorkers(int count);
    // Tells every worker to stop and joins them; -1 when none was started.
    int StopWorkers();

    // WorkThreads currently inside their loop.
    int RunningCount();
    // Windows Sockets number of the last failed socket creation or bind (0 after success).
    int LastOpenError() const { return lastOpenError_; }

protected:
    virtual int Poll(int index, int timeoutMs) = 0;
    virtual int OnReceive(int index, int socket, int lastError) = 0;
    virtual int OnClose(int index, int socket, int lastError) = 0;

    bool StopRequested();
    // Readable once StopWorkers has begun; Poll waits on it beside the socket.
    int WakeFd() const { return wake_.Fd(); }

private:
    static void WorkThread(CServerSock* server, int index);
    void PauseUnlessStopped(int ms);

    int lastOpenError_ = 0;  // owner's thread only
    CLock countLock_;
    int runningCount_ = 0;  // guarded by countLock_
    CLock stopLock_;
    bool stopFlag_ = false;                    // guarded by stopLock_
    std::condition_variable_any stopChanged_;  // with stopLock_: a pausing worker wakes
    CWakeEvent wake_;                   // signalled with stopFlag_, cleared before workers start
    std::vector<std::thread> workers_;  // owner's thread only
};

}  // namespace ovix::agent
