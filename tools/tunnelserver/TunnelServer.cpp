#include "tools/tunnelserver/TunnelServer.h"

#include <errno.h>
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <sys/socket.h>

#include "tools/tunnelserver/OutputLine.h"
#include "tools/tunnelserver/SocketAddress.h"
#include "tools/tunnelserver/Sockets.h"

namespace ovix::tools {

namespace {

constexpr size_t kMaxAgents = 16;
constexpr int kBacklog = 16;

}  // namespace

bool CTunnelServer::OpenListener() {
    listener_ = OpenTcpListener(options_.listen, kBacklog);
    if (!listener_.IsValid()) {
        PrintLine("tunnelserver cannot listen on " + FormatHostPort(options_.listen) + ": " +
                  std::to_string(errno));
        return false;
    }
    const sockaddr_in bound = LocalAddressOf(listener_.Get());
    PrintLine("tunnelserver listening " + FormatHost(bound) + " " +
              std::to_string(ntohs(bound.sin_port)));
    return true;
}

bool CTunnelServer::OpenSignals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGUSR1);
    if (sigprocmask(SIG_BLOCK, &set, nullptr) != 0) {
        return false;
    }
    signal(SIGPIPE, SIG_IGN);
    signals_.Reset(signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC));
    return signals_.IsValid();
}

int CTunnelServer::Run() {
    if (!OpenSignals() || !OpenListener()) {
        return 1;
    }
    std::vector<pollfd> fds;
    for (;;) {
        fds.clear();
        fds.push_back({signals_.Get(), POLLIN, 0});
        fds.push_back({listener_.Get(), POLLIN, 0});
        for (const auto& session : sessions_) {
            const short streamEvents =
                static_cast<short>(POLLIN | (session->WantsWrite() ? POLLOUT : 0));
            fds.push_back({session->StreamFd(), streamEvents, 0});
            fds.push_back({session->SipFd(), POLLIN, 0});
            fds.push_back({session->RtpFd(), POLLIN, 0});
        }
        if (poll(fds.data(), fds.size(), -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            PrintLine("tunnelserver poll failed: " + std::to_string(errno));
            break;
        }
        if ((fds[0].revents & POLLIN) != 0 && !HandleSignals()) {
            break;
        }
        // Sessions are visited backwards so that closing one keeps the others' indexes.
        for (size_t i = sessions_.size(); i-- > 0;) {
            CAgentSession& session = *sessions_[i];
            const pollfd* entry = &fds[2 + 3 * i];
            bool alive = true;
            if ((entry[1].revents & POLLIN) != 0) {
                session.OnSipReadable();
            }
            if ((entry[2].revents & POLLIN) != 0) {
                session.OnRtpReadable();
            }
            if ((entry[0].revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
                alive = session.OnStreamReadable();
            }
            if (alive && (entry[0].revents & POLLOUT) != 0) {
                alive = session.OnStreamWritable();
            }
            if (!alive || session.IsBroken()) {
                CloseSession(i);
            }
        }
        if ((fds[1].revents & POLLIN) != 0) {
            AcceptAgents();
        }
    }
    sessions_.clear();
    PrintLine(counts_.ToText());
    return 0;
}

bool CTunnelServer::HandleSignals() {
    signalfd_siginfo info;
    while (read(signals_.Get(), &info, sizeof(info)) == static_cast<ssize_t>(sizeof(info))) {
        if (info.ssi_signo == SIGUSR1) {
            PrintLine(counts_.ToText());
        } else {
            PrintLine("tunnelserver stopping");
            return false;
        }
    }
    return true;
}

void CTunnelServer::AcceptAgents() {
    for (;;) {
        sockaddr_in from{};
        socklen_t fromLength = sizeof(from);
        CUniqueFd stream(accept4(listener_.Get(), reinterpret_cast<sockaddr*>(&from), &fromLength,
                                 SOCK_NONBLOCK | SOCK_CLOEXEC));
        if (!stream.IsValid()) {
            return;
        }
        if (sessions_.size() >= kMaxAgents) {
            PrintLine("tunnelserver refused agent from " + FormatHostPort(from) +
                      ": too many agents");
            continue;
        }
        // The relay sockets live on the listening host, so a loopback server stays loopback.
        sockaddr_in udpHost = LocalAddressOf(listener_.Get());
        udpHost.sin_port = 0;
        auto session = std::make_unique<CAgentSession>(nextAgentId_++, std::move(stream), from,
                                                       options_, counts_);
        if (session->Start(udpHost)) {
            sessions_.push_back(std::move(session));
        } else {
            PrintLine("tunnelserver agent " + std::to_string(session->Id()) + " dropped");
        }
    }
}

void CTunnelServer::CloseSession(size_t index) {
    PrintLine("tunnelserver agent " + std::to_string(sessions_[index]->Id()) + " disconnected");
    sessions_.erase(sessions_.begin() + static_cast<std::ptrdiff_t>(index));
}

}  // namespace ovix::tools
