// When the agent program ends. The automation object holds a lock on the program while it
// exists. The program ends when its main window is destroyed and no object exists, or when
// the last object goes and the program was started for automation (the window is then
// closed first, which stops the relay).
#pragma once

namespace ovix::agent {

class CAgentLifetime {
public:
    enum class Action { kNone, kCloseMainWindow, kQuit };

    explicit CAgentLifetime(bool userControl) : userControl_(userControl) {}

    void Lock() { ++locks_; }
    Action Unlock();
    Action OnMainWindowDestroyed();

    int Locks() const { return locks_; }

private:
    const bool userControl_;
    int locks_ = 0;
    bool windowGone_ = false;
};

}  // namespace ovix::agent
