#include "tools/ovixmain/ClientMode.h"

#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "common/MainClientContract.h"
#include "platform/ipc/MessageWindow.h"
#include "platform/ipc/NamedEvent.h"

namespace ovix::tools {
namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

class CSignalDescriptor {
public:
    explicit CSignalDescriptor(const sigset_t& signals)
        : fd_(::signalfd(-1, &signals, SFD_CLOEXEC)) {}
    ~CSignalDescriptor() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    CSignalDescriptor(const CSignalDescriptor&) = delete;
    CSignalDescriptor& operator=(const CSignalDescriptor&) = delete;

    int Fd() const { return fd_; }

private:
    int fd_;
};

void WriteLine(std::FILE* file, const std::string& line) {
    std::fputs(line.c_str(), file);
    std::fflush(file);
}

}  // namespace

int RunClientMode(const std::string& logFile) {
    // The end signals are taken through a descriptor, so they are handled in the loop below
    // and never interrupt it half-way.
    sigset_t endSignals;
    sigemptyset(&endSignals);
    sigaddset(&endSignals, SIGTERM);
    sigaddset(&endSignals, SIGINT);
    ::sigprocmask(SIG_BLOCK, &endSignals, nullptr);
    CSignalDescriptor signals(endSignals);
    if (signals.Fd() < 0) {
        std::fprintf(stderr, "Ovixmain: cannot watch for signals: %s\n", std::strerror(errno));
        return 1;
    }

    FilePtr log;
    if (!logFile.empty()) {
        log.reset(std::fopen(logFile.c_str(), "ae"));
        if (!log) {
            std::fprintf(stderr, "Ovixmain: cannot open %s: %s\n", logFile.c_str(),
                         std::strerror(errno));
            return 1;
        }
    }
    platform::CNamedEvent running = platform::CNamedEvent::Create(contract::kMainClientEvent);
    if (!running.IsValid()) {
        std::fprintf(stderr, "Ovixmain: cannot create the event %.*s\n",
                     static_cast<int>(contract::kMainClientEvent.size()),
                     contract::kMainClientEvent.data());
        return 1;
    }
    platform::CMessageWindow window =
        platform::CMessageWindow::Create(contract::kMainClientWindowClass);
    if (!window.IsValid()) {
        std::fprintf(stderr, "Ovixmain: cannot own the window of class %.*s (another one runs?)\n",
                     static_cast<int>(contract::kMainClientWindowClass.size()),
                     contract::kMainClientWindowClass.data());
        return 1;
    }

    for (;;) {
        pollfd entries[2] = {{window.Descriptor(), POLLIN, 0}, {signals.Fd(), POLLIN, 0}};
        if (::poll(entries, 2, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            std::fprintf(stderr, "Ovixmain: poll failed: %s\n", std::strerror(errno));
            return 1;
        }
        if (entries[1].revents != 0) {
            return 0;  // the window and the event are given back on the way out
        }
        while (auto message = window.Receive(0)) {
            const std::string line = "message " + platform::FormatWindowMessage(*message) + "\n";
            WriteLine(stdout, line);
            if (log) {
                WriteLine(log.get(), line);
            }
        }
    }
}

}  // namespace ovix::tools
