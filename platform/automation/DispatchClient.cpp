#include "platform/automation/DispatchClient.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/automation/AutomationRegistry.h"
#include "platform/automation/AutomationServerStart.h"

extern char** environ;

namespace ovix::platform {

namespace {

// Descriptor number the server finds its channel at.
constexpr int kServerChannelFd = 3;
// How long a failing call waits for a server that closed its channel to end.
constexpr int kDisconnectReapMs = 1000;

std::string Hex(HResult result) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(result));
    return text;
}

// Starts serverProgram with the automation option and the channel at kServerChannelFd.
// 0 and pid set, or an errno value.
int SpawnServer(const std::string& serverProgram, int channelFd, pid_t& pid) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    // dup2 clears close-on-exec on the copy, so only the server's end reaches the child.
    posix_spawn_file_actions_adddup2(&actions, channelFd, kServerChannelFd);

    std::vector<std::string> envText;
    const std::string prefix = std::string(kAutomationChannelEnv) + "=";
    for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
        if (std::strncmp(*entry, prefix.c_str(), prefix.size()) != 0) {
            envText.emplace_back(*entry);
        }
    }
    envText.push_back(prefix + std::to_string(kServerChannelFd));
    std::vector<char*> envp;
    for (auto& text : envText) {
        envp.push_back(text.data());
    }
    envp.push_back(nullptr);

    // The server starts with no blocked signals and default actions for the ones that end
    // it, whatever its client has set up for itself (a client that waits on signalfd blocks
    // SIGTERM, and that mask would otherwise be inherited).
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    sigset_t defaults;
    sigemptyset(&defaults);
    for (int signal : {SIGTERM, SIGINT, SIGPIPE, SIGHUP}) {
        sigaddset(&defaults, signal);
    }
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    std::string program = serverProgram;
    std::string option = kAutomationOption;
    char* argv[] = {program.data(), option.data(), nullptr};
    const int rc = posix_spawn(&pid, program.c_str(), &actions, &attributes, argv, envp.data());
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    return rc;
}

}  // namespace

CDispatchClient::CDispatchClient(int fd, pid_t serverPid, const DispatchClientOptions& options)
    : channel_(fd), server_(serverPid), options_(options) {}

CDispatchClient::~CDispatchClient() {
    Release();
}

HResult CDispatchClient::Fail(HResult result, std::string text) {
    broken_ = true;
    lastError_ = Hex(result) + ": " + text;
    channel_.Close();
    // A server that closed its end is usually ending; give it a moment to be reaped.
    ReapServer(result == kRPC_E_DISCONNECTED ? kDisconnectReapMs : 0);
    return result;
}

bool CDispatchClient::ReapServer(int waitMs) {
    if (!server_.IsValid() || serverEnded_) {
        return true;
    }
    serverEnded_ = server_.Wait(waitMs) == WaitResult::kExited;
    return serverEnded_;
}

HResult CDispatchClient::WaitUntilReady() {
    DispatchMessage message;
    const HResult received = channel_.Receive(message, options_.startTimeoutMs);
    if (received == kS_OK && message.kind == DispatchMessageKind::kReady) {
        return kS_OK;
    }
    if (received == kRPC_E_TIMEOUT && !ReapServer(0)) {
        // A server that neither serves nor ends is of no use; it is ours to stop.
        kill(server_.Pid(), SIGKILL);
        ReapServer(options_.releaseWaitMs);
    } else {
        ReapServer(options_.releaseWaitMs);
    }
    const char* why = received == kRPC_E_TIMEOUT ? "the server did not create the object in time"
                      : received == kRPC_E_DISCONNECTED ? "the server ended during start-up"
                                                        : "the server sent no start-up message";
    Fail(kCO_E_SERVER_EXEC_FAILURE, why);
    return kCO_E_SERVER_EXEC_FAILURE;
}

HResult CDispatchClient::Invoke(int32_t dispId, DispatchArgs& args, DispatchValue& result) {
    if (released_) {
        return kCO_E_RELEASED;
    }
    if (broken_) {
        return kRPC_E_DISCONNECTED;
    }
    if (args.size() > kMaxDispatchArgs) {
        return kDISP_E_BADPARAMCOUNT;
    }
    DispatchMessage call;
    call.kind = DispatchMessageKind::kCall;
    call.callId = nextCallId_++;
    call.dispId = dispId;
    call.args = args;
    if (FrameDispatchMessage(call).size() > kFrameHeaderBytes + kMaxDispatchPayload) {
        return kE_INVALIDARG;
    }
    const HResult sent = channel_.Send(call, options_.callTimeoutMs);
    if (sent == kRPC_E_DISCONNECTED) {
        // A server that dropped the channel on purpose said why before it went.
        DispatchMessage last;
        if (channel_.TryReceive(last) == CAutomationChannel::PollResult::kMessage &&
            last.kind == DispatchMessageKind::kError) {
            return Fail(last.result < 0 ? last.result : kRPC_E_INVALID_DATAPACKET,
                        "the server refused the channel: " + last.text);
        }
    }
    if (sent != kS_OK) {
        return Fail(sent, sent == kRPC_E_TIMEOUT ? "the server does not take calls"
                                                 : "the server process is gone");
    }
    DispatchMessage reply;
    const HResult received = channel_.Receive(reply, options_.callTimeoutMs);
    if (received != kS_OK) {
        return Fail(received, DescribeHResult(received));
    }
    if (reply.kind == DispatchMessageKind::kError) {
        return Fail(reply.result < 0 ? reply.result : kRPC_E_INVALID_DATAPACKET,
                    "the server refused the channel: " + reply.text);
    }
    if (reply.kind != DispatchMessageKind::kReply || reply.callId != call.callId) {
        return Fail(kRPC_E_INVALID_DATAPACKET, "the server answered out of turn");
    }
    if (reply.result >= 0) {
        if (reply.args.size() != args.size()) {
            return Fail(kRPC_E_INVALID_DATAPACKET, "the reply carries the wrong arguments");
        }
        args = std::move(reply.args);
        result = std::move(reply.value);
    }
    return reply.result;
}

void CDispatchClient::Release() {
    if (released_) {
        return;
    }
    released_ = true;
    channel_.Close();
    ReapServer(options_.releaseWaitMs);
}

HResult CreateObjectFromRegistry(const std::string& registryFile, std::string_view progId,
                                 const DispatchClientOptions& options,
                                 std::unique_ptr<CDispatchClient>& client, std::string& error) {
    client.reset();
    LocalServerEntry entry;
    const HResult found = LookUpLocalServer(registryFile, progId, entry);
    if (found != kS_OK) {
        error = Hex(found) + ": " + DescribeHResult(found) + " (" + std::string(progId) + " in " +
                (registryFile.empty() ? std::string("no registry file") : registryFile) + ")";
        return found;
    }
    if (access(entry.serverProgram.c_str(), X_OK) != 0) {
        error = Hex(kCO_E_SERVER_EXEC_FAILURE) + ": server program " + entry.serverProgram +
                " is missing or not executable";
        return kCO_E_SERVER_EXEC_FAILURE;
    }
    int fds[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) {
        error = Hex(kE_FAIL) + ": no socket pair: " + std::strerror(errno);
        return kE_FAIL;
    }
    // Keep the server's end off the fixed number so dup2 really makes a fresh copy.
    if (fds[1] == kServerChannelFd) {
        const int moved = fcntl(fds[1], F_DUPFD_CLOEXEC, kServerChannelFd + 1);
        close(fds[1]);
        fds[1] = moved;
    }
    pid_t pid = 0;
    const int spawned = fds[1] < 0 ? EMFILE : SpawnServer(entry.serverProgram, fds[1], pid);
    if (fds[1] >= 0) {
        close(fds[1]);
    }
    if (spawned != 0) {
        close(fds[0]);
        error = Hex(kCO_E_SERVER_EXEC_FAILURE) + ": cannot start " + entry.serverProgram + ": " +
                std::strerror(spawned);
        return kCO_E_SERVER_EXEC_FAILURE;
    }
    auto started = std::make_unique<CDispatchClient>(fds[0], pid, options);
    const HResult ready = started->WaitUntilReady();
    if (ready != kS_OK) {
        error = started->LastError() + " (" + entry.serverProgram + ")";
        return ready;
    }
    client = std::move(started);
    return kS_OK;
}

HResult CreateObjectByProgId(std::string_view progId, const DispatchClientOptions& options,
                             std::unique_ptr<CDispatchClient>& client, std::string& error) {
    return CreateObjectFromRegistry(AutomationRegistryPath(), progId, options, client, error);
}

}  // namespace ovix::platform
