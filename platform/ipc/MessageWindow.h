// A top-level window of a given class, as far as other processes can see it: it can be found
// by its class name and receives the messages posted to it. It owns a Unix datagram socket
// bound at <runtime>/windows/<class>; a socket left there by a crashed owner is replaced.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/ipc/WindowMessage.h"

namespace ovix::platform {

class CMessageWindow {
public:
    CMessageWindow() = default;
    ~CMessageWindow();
    CMessageWindow(CMessageWindow&& other) noexcept;
    CMessageWindow& operator=(CMessageWindow&& other) noexcept;
    CMessageWindow(const CMessageWindow&) = delete;
    CMessageWindow& operator=(const CMessageWindow&) = delete;

    // Creates the window. Invalid when a live window of the class exists already, the class
    // name is not a valid file name, the runtime folder is refused, or the socket cannot be
    // addressed (a deep runtime folder is fine; a class name over about 85 bytes is not).
    static CMessageWindow Create(std::string_view windowClass);

    bool IsValid() const { return fd_ >= 0; }
    // Descriptor that turns readable when a message waits (for poll or an event loop).
    int Descriptor() const { return fd_; }
    // Waits up to timeoutMs (-1 without limit) for the next message. Datagrams that are not
    // well-formed messages are dropped. Empty on time-out, on a signal, or when invalid.
    std::optional<WindowMessage> Receive(int timeoutMs);
    // Takes the window away: the socket is closed and its file removed when still ours.
    void Destroy();

private:
    CMessageWindow(int fd, std::string path, std::string guardPath, unsigned long long inode);

    int fd_ = -1;
    std::string path_;
    std::string guardPath_;         // taken when the window was made, so a later environment change
                                    // cannot point Destroy at another folder
    unsigned long long inode_ = 0;  // of the socket file we bound, so we only remove our own
};

}  // namespace ovix::platform
