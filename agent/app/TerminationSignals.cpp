#include "agent/app/TerminationSignals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>

namespace ovix::agent {

namespace {

// Written only by the constructor and destructor on the main thread, read by the handler.
int gSignalPipe[2] = {-1, -1};

void OnSignal(int) {
    const int saved = errno;
    const char byte = 1;
    (void)!write(gSignalPipe[1], &byte, 1);
    errno = saved;
}

}  // namespace

CTerminationSignals::CTerminationSignals() {
    if (pipe2(gSignalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        gSignalPipe[0] = gSignalPipe[1] = -1;
        return;
    }
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}

CTerminationSignals::~CTerminationSignals() {
    signal(SIGTERM, SIG_DFL);
    signal(SIGINT, SIG_DFL);
    for (int& fd : gSignalPipe) {
        if (fd >= 0) {
            close(fd);
            fd = -1;
        }
    }
}

int CTerminationSignals::Fd() const {
    return gSignalPipe[0];
}

void CTerminationSignals::Acknowledge() {
    char bytes[16];
    while (gSignalPipe[0] >= 0 && read(gSignalPipe[0], bytes, sizeof bytes) > 0) {
    }
}

}  // namespace ovix::agent
