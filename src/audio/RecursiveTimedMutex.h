// A recursive mutex with timed waits (the TimedLockable requirements of the standard
// library, so std::unique_lock and std::lock_guard work with it), built on std::mutex and
// std::condition_variable.
//
// std::recursive_timed_mutex would do, but its timed waits go through
// pthread_mutex_clocklock, which ThreadSanitizer does not see: every timed lock would be
// invisible to it and the channel's threads could not be checked. Timed waits here use the
// steady clock, so a change of the wall clock never stretches or cuts them.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

namespace ws {

class RecursiveTimedMutex {
public:
    RecursiveTimedMutex() = default;
    RecursiveTimedMutex(const RecursiveTimedMutex&) = delete;
    RecursiveTimedMutex& operator=(const RecursiveTimedMutex&) = delete;

    void lock();
    bool try_lock();
    void unlock();

    template <class Rep, class Period>
    bool try_lock_for(const std::chrono::duration<Rep, Period>& timeout) {
        return try_lock_until(std::chrono::steady_clock::now() + timeout);
    }

    template <class Clock, class Duration>
    bool try_lock_until(const std::chrono::time_point<Clock, Duration>& deadline) {
        const auto self = std::this_thread::get_id();
        std::unique_lock lock(state_);
        if (depth_ > 0 && owner_ == self) {
            ++depth_;
            return true;
        }
        if (!released_.wait_until(lock, deadline, [this] { return depth_ == 0; }))
            return false;
        owner_ = self;
        depth_ = 1;
        return true;
    }

private:
    std::mutex state_;
    std::condition_variable released_;
    std::thread::id owner_; // guarded by state_
    uint32_t depth_ = 0;    // guarded by state_; 0 when free
};

} // namespace ws
