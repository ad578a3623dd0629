// Command-line access to named objects and message windows, so that scripts can take the
// part of another program:
//   ovix_ipc_probe mutex NAME [--go FILE]   create or open a mutex, print "created" or
//   ovix_ipc_probe event NAME [--go FILE]   "existed" (or "failed"), hold it until stdin ends
//                                           or SIGTERM/SIGINT; --go waits up to 10 s for FILE
//                                           to appear first, to line up a race
//   ovix_ipc_probe exists NAME              exit 0 when the object exists, 1 when not
//   ovix_ipc_probe find CLASS               exit 0 when a window of the class exists
//   ovix_ipc_probe post CLASS MSG WPARAM LPARAM   exit 0 when the message was posted
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

#include "platform/ipc/NamedEvent.h"
#include "platform/ipc/NamedMutex.h"
#include "platform/ipc/NamedObject.h"
#include "platform/ipc/WindowClass.h"
#include "platform/ipc/WindowMessage.h"

namespace {

using namespace ovix::platform;

int Usage() {
    std::fprintf(stderr,
                 "usage: ovix_ipc_probe mutex|event NAME [--go FILE]\n"
                 "       ovix_ipc_probe exists NAME\n"
                 "       ovix_ipc_probe find CLASS\n"
                 "       ovix_ipc_probe post CLASS MSG WPARAM LPARAM\n");
    return 2;
}

bool WaitForFile(const char* file) {
    for (int i = 0; i < 10000; ++i) {
        struct stat info {};
        if (::stat(file, &info) == 0) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
}

// Blocks until stdin reaches its end or SIGTERM/SIGINT arrives.
void HoldUntilReleased(const sigset_t& signals) {
    const int signalFd = ::signalfd(-1, &signals, SFD_CLOEXEC);
    pollfd entries[2] = {{STDIN_FILENO, POLLIN, 0}, {signalFd, POLLIN, 0}};
    for (;;) {
        if (::poll(entries, signalFd >= 0 ? 2 : 1, -1) < 0) {
            continue;
        }
        if (entries[1].revents != 0) {
            break;
        }
        if (entries[0].revents != 0) {
            char buffer[256];
            if (::read(STDIN_FILENO, buffer, sizeof(buffer)) <= 0) {
                break;
            }
        }
    }
    if (signalFd >= 0) {
        ::close(signalFd);
    }
}

int HoldObject(const std::string& kind, const char* name, const char* goFile) {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGINT);
    ::sigprocmask(SIG_BLOCK, &signals, nullptr);
    if (goFile != nullptr && !WaitForFile(goFile)) {
        std::fprintf(stderr, "ovix_ipc_probe: %s did not appear\n", goFile);
        return 1;
    }
    bool valid = false;
    bool existed = false;
    CNamedMutex mutex;
    CNamedEvent event;
    if (kind == "mutex") {
        mutex = CNamedMutex::Create(name);
        valid = mutex.IsValid();
        existed = mutex.AlreadyExisted();
    } else {
        event = CNamedEvent::Create(name);
        valid = event.IsValid();
        existed = event.AlreadyExisted();
    }
    std::printf("%s\n", !valid ? "failed" : existed ? "existed" : "created");
    std::fflush(stdout);
    if (!valid) {
        return 1;
    }
    HoldUntilReleased(signals);
    return 0;
}

bool ParseNumbers(const char* message, const char* wParam, const char* lParam, WindowMessage* out) {
    const auto parsed = ParseWindowMessage(std::string(message) + " " + wParam + " " + lParam);
    if (parsed) {
        *out = *parsed;
    }
    return parsed.has_value();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        return Usage();
    }
    const std::string command = argv[1];
    if (command == "mutex" || command == "event") {
        const char* goFile = nullptr;
        if (argc == 5 && std::strcmp(argv[3], "--go") == 0) {
            goFile = argv[4];
        } else if (argc != 3) {
            return Usage();
        }
        return HoldObject(command, argv[2], goFile);
    }
    if (command == "exists" && argc == 3) {
        return CNamedObject::Exists(argv[2]) ? 0 : 1;
    }
    if (command == "find" && argc == 3) {
        return FindWindowByClass(argv[2]) ? 0 : 1;
    }
    if (command == "post" && argc == 6) {
        WindowMessage message;
        if (!ParseNumbers(argv[3], argv[4], argv[5], &message)) {
            return Usage();
        }
        return PostWindowMessage(argv[2], message.message, message.wParam, message.lParam) ? 0 : 1;
    }
    return Usage();
}
