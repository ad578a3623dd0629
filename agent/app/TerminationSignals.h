// Turns SIGTERM and SIGINT into a readable descriptor, so the program can close its window
// (and stop the relay) from its event loop instead of dying in the middle of it.
#pragma once

namespace ovix::agent {

class CTerminationSignals {
public:
    // Installs the handlers; one instance per process.
    CTerminationSignals();
    // Restores the default handlers and closes the pipe.
    ~CTerminationSignals();
    CTerminationSignals(const CTerminationSignals&) = delete;
    CTerminationSignals& operator=(const CTerminationSignals&) = delete;

    // Readable once a signal arrived; -1 when the pipe could not be made.
    int Fd() const;
    // Empties the pipe.
    void Acknowledge();
};

}  // namespace ovix::agent
