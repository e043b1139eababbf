// Auto-reset event on a mutex and a condition variable; see WakeEvent.h.
#include "WakeEvent.h"

namespace ws {

void WakeEvent::set() {
    {
        std::lock_guard lock(mutex_);
        signalled_ = true;
    }
    signal_.notify_one();
}

void WakeEvent::wait() {
    std::unique_lock lock(mutex_);
    signal_.wait(lock, [this] { return signalled_; });
    signalled_ = false;
}

bool WakeEvent::waitFor(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    if (!signal_.wait_for(lock, timeout, [this] { return signalled_; }))
        return false;
    signalled_ = false;
    return true;
}

} // namespace ws
