// A client socket read by a poll thread: the thread waits for the socket (and for a
// wake event that StopPoll signals) and calls OnReadable when bytes (or the end of the
// connection) arrive. An idle connection costs no wake-ups but a rare safety time-out.
//
// StartPoll, StopPoll and the thread handle are used by one caller at a time (the
// derived class serialises them). A derived class stops the poll thread in its own
// destructor or Close, because the thread calls its virtual methods.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <thread>

#include "agent/core/CBaseSock.h"
#include "agent/core/CLock.h"
#include "agent/core/CWakeEvent.h"

namespace ovix::agent {

class CClientSock : public CBaseSock {
public:
    // Longest single wait of the idle poll thread. Only a safety net: bytes, a hang-up,
    // arming and StopPoll all end the wait at once.
    static constexpr int kPollTimeoutMs = 1000;
    // Pause after a wait that found the socket gone or only an exception condition.
    static constexpr int kPauseMs = 20;

    ~CClientSock() override;

    // -1 while the poll thread runs, -2 when it cannot be started, 0 otherwise.
    int StartPoll();
    // Tells the poll thread to end and joins it; 0.
    int StopPoll();
    bool PollRunning();

    // Waits up to ms for the socket: 0 readable (or at its end), -3 only an exception
    // condition, -1 the socket is gone (trace "CClientSock::WaitForIncomingDat - exit"),
    // -2 timed out, StopPoll called, or another failure. Before the connection is made it
    // only waits (for the connection, a stop or ms).
    int WaitForIncomingDat(int ms);

    virtual long Send(const std::uint8_t* bytes, long length, int flags) = 0;
    virtual long Receive(std::uint8_t* buffer, long size, int flags) = 0;

protected:
    virtual int OnReceive(long length, const std::uint8_t* bytes) = 0;
    // Reads what is waiting; 0 when the connection has ended and the thread should end.
    virtual int OnReadable() = 0;

    // The poll thread looks at the socket only while armed: an unconnected stream
    // socket reports a hang-up that is no broken connection.
    void ArmPoll(bool armed);
    // Called on the poll thread when it is about to end by itself, so the next
    // StartPoll joins it instead of refusing.
    void PollWillEnd() { pollLeaving_.store(true); }

private:
    void PollThread();
    bool PollStopRequested();

    CLock pollRunLock_;
    bool pollRunning_ = false;  // guarded by pollRunLock_
    CLock pollStopLock_;
    bool pollStop_ = false;                        // guarded by pollStopLock_
    std::condition_variable_any pollStopChanged_;  // with pollStopLock_: stop or armed
    std::atomic<bool> pollArmed_{false};
    std::atomic<bool> pollLeaving_{false};
    CWakeEvent pollWake_;     // signalled with pollStop_, cleared before the thread starts
    std::thread pollThread_;  // StartPoll/StopPoll caller only
};

}  // namespace ovix::agent
