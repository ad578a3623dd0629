// Blocking steps on non-blocking IPv4 stream sockets, each bounded by a time-out (name
// lookup aside). Every function returns -1 on failure and stores a Windows Sockets number as
// the thread's last network error (NetError.h).
#pragma once

#include <netinet/in.h>

#include <cstdint>

namespace ovix::updater {

inline constexpr int kNoSocket = -1;
inline constexpr std::uint32_t kNoAddress = 0xFFFFFFFFu;  // INADDR_NONE

// Nothing needs starting on this platform; kept so that start-up reads as it always has.
int InitNetwork();

// A non-blocking, close-on-exec TCP socket with SO_REUSEADDR set, or kNoSocket.
int CreateStreamSocket();

// A dotted quad is converted without any lookup; a name is looked up (first IPv4 address).
// Result in network byte order, or kNoAddress. Stores nothing; ConnectToHost stores the
// lookup's error. `allowThread` is accepted for callers that may ask for it: the lookup runs
// on the calling thread here.
std::uint32_t ResolveHost(const char* host, bool allowThread, int* lookupError = nullptr);

// 0 when connected within timeoutMs, else -1 (10060 on time-out, the refusal's number else).
int ConnectWithTimeout(int socket, const sockaddr_in& address, int timeoutMs);
int ConnectToHost(int socket, const char* host, std::uint16_t port, int timeoutMs,
                  bool allowThread);

// Bytes sent (possibly fewer than asked) or -1. Never raises SIGPIPE.
long SendWithTimeout(int socket, const char* bytes, long length, int timeoutMs);
// Sends until everything is out or a send fails; the total sent.
long SendAll(int socket, const char* bytes, long length, int timeoutMs);

// Bytes received, or -1 on time-out (10060), error, or when the peer has closed and nothing
// is left to read (10101).
long RecvWithTimeout(int socket, char* buffer, long length, int timeoutMs);

// Closes at once, without shutdown or draining.
int CloseSocket(int socket);

}  // namespace ovix::updater
