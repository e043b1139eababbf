// The background thread that keeps one mixer channel's ring buffer filled. While enabled it
// wakes every Interval ms, takes the channel's lock (waiting at most 250 ms, else it skips
// the round), checks Enabled again under the lock and runs the channel's update. While
// disabled it sleeps until it is enabled again or destroyed. Enabling signals the wake
// event, which restarts the timed wait: the first update comes one interval later.
//
// An exception from the update ends the thread: the message goes to the program's log,
// the failure handler runs (still under the channel's lock, so the channel can fall
// silent), the thread marks itself disabled and keeps the message. Enabling it again
// starts a fresh thread.
#pragma once

#include "RecursiveTimedMutex.h"
#include "WakeEvent.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace ws {

class RefillThread {
public:
    using UpdateFunction = std::function<void()>;
    using FailureFunction = std::function<void(const std::string& message)>;

    // Starts the thread, disabled. `channelLock` and both functions must outlive the
    // object; the functions run on the thread with `channelLock` held.
    RefillThread(RecursiveTimedMutex& channelLock, UpdateFunction update,
                 FailureFunction onFailure = {});
    // Wakes the thread, lets a running update finish and joins it.
    ~RefillThread();
    RefillThread(const RefillThread&) = delete;
    RefillThread& operator=(const RefillThread&) = delete;

    bool Enabled() const { return Enabled_.load(); }
    // The value it already has: nothing. Otherwise stores it; true signals the wake event.
    void setEnabled(bool enabled);

    uint32_t Interval() const { return Interval_.load(); }
    void setInterval(uint32_t ms) { Interval_.store(ms); }

    // True once an update raised and ended the thread (until it is enabled again).
    bool failed() const { return failed_.load(); }
    // The message of the last error that ended the thread; empty when none did.
    std::string lastError() const;

private:
    void run();
    void fail(const std::string& message);

    RecursiveTimedMutex& channelLock_;
    const UpdateFunction update_;
    const FailureFunction onFailure_;

    WakeEvent WakeEvent_;
    // Shared with the thread; atomics, so a stale read costs at most one round.
    std::atomic<bool> Enabled_{false};
    std::atomic<uint32_t> Interval_{0};
    std::atomic<bool> terminated_{false};
    // Set by the thread, under the channel's lock, just before a failed body returns.
    std::atomic<bool> failed_{false};

    mutable std::mutex errorMutex_;
    std::string lastError_; // guarded by errorMutex_

    // Started, restarted and joined only by the owner's thread.
    std::thread thread_;
};

} // namespace ws
