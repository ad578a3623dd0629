// Agent mode of the stand-in main client: drives the tunnel agent through its automation
// object the way the real main client does.
//   Ovixmain --agent HOST[:PORT] [--show]
// Creates "OvixAgent.Application" (a new agent process), calls StartAgent with HOST[:PORT],
// prints "agent sip ADDRESS PORT" from GetSIPAddr and GetSIPPort, then keeps the object until
// standard input closes or SIGTERM / SIGINT arrives, and then calls StopAgent and releases
// it. Lines on standard input:
//   disconnect   DisconnectTC, prints "agent disconnect RESULT"
//   show         Show(1)
//   stop         StopAgent, prints "agent stop RESULT"
//   start ADDR   StartAgent, prints "agent start RESULT"
//   sip          prints "agent sip ADDRESS PORT" again
// A failing call prints "agent error TEXT" on standard error; the mode then ends with 1.
#include "tools/ovixmain/AgentMode.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "agent/app/OvixAgentClient.h"
#include "platform/bstr/BstrText.h"

namespace {

using ovix::agent::COvixAgentClient;
using ovix::platform::HResult;
using ovix::platform::kS_OK;

// An OLE Automation string owned here, as the main client holds them.
class CBstr {
public:
    explicit CBstr(const std::string& text) : text_(ovix::platform::BstrFromUtf8(text)) {}
    CBstr() = default;
    ~CBstr() { SysFreeString(text_); }
    CBstr(const CBstr&) = delete;
    CBstr& operator=(const CBstr&) = delete;
    BSTR* Slot() { return &text_; }
    std::string Utf8() const { return ovix::platform::Utf8FromBstr(text_); }

private:
    BSTR text_ = nullptr;
};

struct AgentModeOptions {
    std::string server;
    bool show = false;
};

bool ParseOptions(int argc, char** argv, AgentModeOptions& options) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--agent") == 0 && i + 1 < argc) {
            options.server = argv[++i];
        } else if (std::strcmp(argv[i], "--show") == 0) {
            options.show = true;
        } else {
            return false;
        }
    }
    return !options.server.empty();
}

void PrintLine(const std::string& line) {
    std::fputs((line + "\n").c_str(), stdout);
    std::fflush(stdout);
}

bool Report(const COvixAgentClient& client, HResult call, const char* method) {
    if (call == kS_OK) {
        return true;
    }
    std::fprintf(stderr, "agent error %s failed: %s\n", method,
                 client.LastError().empty() ? ovix::platform::DescribeHResult(call)
                                            : client.LastError().c_str());
    return false;
}

bool PrintSipListener(COvixAgentClient& client) {
    CBstr address;
    int32_t addrResult = 0;
    int16_t port = 0;
    int16_t portResult = 0;
    if (!Report(client, client.GetSIPAddr(address.Slot(), addrResult), "GetSIPAddr") ||
        !Report(client, client.GetSIPPort(port, portResult), "GetSIPPort")) {
        return false;
    }
    PrintLine("agent sip " + address.Utf8() + " " + std::to_string(static_cast<uint16_t>(port)));
    return true;
}

// One command line from standard input. False when a call failed.
bool RunCommand(COvixAgentClient& client, const std::string& line) {
    int32_t result = 0;
    if (line == "disconnect") {
        if (!Report(client, client.DisconnectTC(result), "DisconnectTC")) {
            return false;
        }
        PrintLine("agent disconnect " + std::to_string(result));
    } else if (line == "show") {
        return Report(client, client.Show(1), "Show");
    } else if (line == "stop") {
        if (!Report(client, client.StopAgent(result), "StopAgent")) {
            return false;
        }
        PrintLine("agent stop " + std::to_string(result));
    } else if (line.rfind("start ", 0) == 0) {
        CBstr address(line.substr(6));
        if (!Report(client, client.StartAgent(address.Slot(), result), "StartAgent")) {
            return false;
        }
        PrintLine("agent start " + std::to_string(result));
    } else if (line == "sip") {
        return PrintSipListener(client);
    } else if (!line.empty()) {
        std::fprintf(stderr, "agent error unknown command %s\n", line.c_str());
    }
    return true;
}

// Waits for standard input to close or a termination signal, running command lines.
bool ServeCommands(COvixAgentClient& client, int signalFd) {
    std::string pending;
    for (;;) {
        pollfd fds[2] = {{STDIN_FILENO, POLLIN, 0}, {signalFd, POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            return true;
        }
        if (fds[1].revents & POLLIN) {
            return true;
        }
        // A closed or invalid standard input ends the session like end of file.
        if (fds[0].revents & (POLLIN | POLLHUP | POLLERR | POLLNVAL)) {
            char buffer[512];
            const ssize_t n = read(STDIN_FILENO, buffer, sizeof buffer);
            if (n <= 0) {
                return true;
            }
            pending.append(buffer, static_cast<size_t>(n));
            if (pending.size() > 4096) {
                pending.clear();  // no command is that long
            }
            for (size_t end; (end = pending.find('\n')) != std::string::npos;) {
                std::string line = pending.substr(0, end);
                pending.erase(0, end + 1);
                if (!line.empty() && line.back() == '\r') {
                    line.pop_back();
                }
                if (!RunCommand(client, line)) {
                    return false;
                }
            }
        }
    }
}

}  // namespace

int RunAgentMode(int argc, char** argv) {
    AgentModeOptions options;
    if (!ParseOptions(argc, argv, options)) {
        std::fprintf(stderr, "usage: Ovixmain --agent HOST[:PORT] [--show]\n");
        return 2;
    }
    // Started with standard input closed, the descriptors made below (the automation channel)
    // would take number 0 and be read as commands: give it end of file instead.
    if (fcntl(STDIN_FILENO, F_GETFD) < 0) {
        open("/dev/null", O_RDONLY);  // becomes descriptor 0, the lowest free one
    }
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGINT);
    sigprocmask(SIG_BLOCK, &set, nullptr);
    const int signalFd = signalfd(-1, &set, SFD_CLOEXEC);

    std::unique_ptr<COvixAgentClient> client;
    std::string error;
    const HResult created = COvixAgentClient::Create(client, error);
    if (created != kS_OK) {
        std::fprintf(stderr, "agent error cannot create the agent object: %s\n", error.c_str());
        return 1;
    }
    PrintLine("agent created " + std::to_string(client->ServerProcessId()));

    CBstr server(options.server);
    int32_t result = 0;
    bool ok = Report(*client, client->StartAgent(server.Slot(), result), "StartAgent");
    if (ok) {
        PrintLine("agent start " + std::to_string(result));
        ok = PrintSipListener(*client);
    }
    if (ok && options.show) {
        ok = Report(*client, client->Show(1), "Show");
    }
    if (ok) {
        ok = ServeCommands(*client, signalFd);
    }
    if (ok && Report(*client, client->StopAgent(result), "StopAgent")) {
        PrintLine("agent stop " + std::to_string(result));
    }
    client->Release();
    PrintLine(client->ServerEnded() ? "agent released" : "agent released (still ending)");
    if (signalFd >= 0) {
        close(signalFd);
    }
    return ok ? 0 : 1;
}
