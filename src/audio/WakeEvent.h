// An auto-reset event: one signal releases one wait, and a signal given while nobody waits
// is kept until the next wait takes it. Waits sleep on a condition variable; nothing spins.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace ws {

class WakeEvent {
public:
    // Signals the event (a second signal before a wait takes the first changes nothing).
    void set();
    // Waits until the event is signalled, then resets it.
    void wait();
    // Waits at most `timeout`; true when the event was signalled (and is reset again),
    // false on a time-out.
    bool waitFor(std::chrono::milliseconds timeout);

private:
    std::mutex mutex_;
    std::condition_variable signal_;
    bool signalled_ = false; // guarded by mutex_
};

} // namespace ws
