#include "agent/ui/LogLineQueue.h"

namespace ovix::agent {

bool CLogLineQueue::Push(std::string line) {
    std::lock_guard<std::mutex> lock(mutex_);
    const bool wasEmpty = lines_.empty();
    if (lines_.size() >= capacity_) {
        lines_.pop_front();
        ++dropped_;
    }
    lines_.push_back(std::move(line));
    return wasEmpty;
}

std::vector<std::string> CLogLineQueue::TakeAll() {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<std::string> taken(std::make_move_iterator(lines_.begin()),
                                   std::make_move_iterator(lines_.end()));
    lines_.clear();
    return taken;
}

size_t CLogLineQueue::Dropped() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return dropped_;
}

}  // namespace ovix::agent
