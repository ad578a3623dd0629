#include "agent/core/CLock.h"

namespace ovix::agent {

int CLock::Create() {
    if (created_) {
        return -1;
    }
    created_ = true;
    return 0;
}

int CLock::Lock() {
    if (!created_) {
        return -2;
    }
    mutex_.lock();
    return 0;
}

int CLock::Unlock() {
    if (!created_) {
        return -2;
    }
    mutex_.unlock();
    return 0;
}

void CLock::Destroy() {
    created_ = false;
}

}  // namespace ovix::agent
