// The untimed operations of RecursiveTimedMutex; see RecursiveTimedMutex.h.
#include "RecursiveTimedMutex.h"

namespace ws {

void RecursiveTimedMutex::lock() {
    const auto self = std::this_thread::get_id();
    std::unique_lock lock(state_);
    if (depth_ > 0 && owner_ == self) {
        ++depth_;
        return;
    }
    released_.wait(lock, [this] { return depth_ == 0; });
    owner_ = self;
    depth_ = 1;
}

bool RecursiveTimedMutex::try_lock() {
    const auto self = std::this_thread::get_id();
    std::lock_guard lock(state_);
    if (depth_ > 0 && owner_ != self)
        return false;
    owner_ = self;
    ++depth_;
    return true;
}

void RecursiveTimedMutex::unlock() {
    {
        std::lock_guard lock(state_);
        if (--depth_ > 0)
            return;
        owner_ = std::thread::id();
    }
    released_.notify_one();
}

} // namespace ws
