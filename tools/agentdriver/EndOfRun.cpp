#include "tools/agentdriver/EndOfRun.h"

#include <errno.h>
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

namespace ovix::tools {

namespace {

sigset_t EndSignals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGINT);
    return set;
}

}  // namespace

bool BlockEndSignals() {
    const sigset_t set = EndSignals();
    signal(SIGPIPE, SIG_IGN);
    return pthread_sigmask(SIG_BLOCK, &set, nullptr) == 0;
}

void WaitForEndOfRun() {
    const sigset_t set = EndSignals();
    const int signals = signalfd(-1, &set, SFD_CLOEXEC);
    pollfd fds[2] = {{signals, POLLIN, 0}, {STDIN_FILENO, POLLIN, 0}};
    for (;;) {
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            break;
        }
        if (fds[0].revents != 0) {
            break;
        }
        if (fds[1].revents != 0) {
            char discard[256];
            const ssize_t got = read(STDIN_FILENO, discard, sizeof(discard));
            if (got <= 0 && !(got < 0 && errno == EINTR)) {
                break;
            }
        }
    }
    if (signals >= 0) {
        close(signals);
    }
}

}  // namespace ovix::tools
