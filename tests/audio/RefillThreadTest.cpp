// The refill thread in real time. Bounds are generous and one-sided:
// a lower bound the thread guarantees, or a condition awaited for seconds, so that a busy
// machine slows the tests down but never fails them.
#include "audio/RefillThread.h"
#include "LogCapture.h"
#include "audio/RecursiveTimedMutex.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>

namespace ws {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr auto Patience = 20s; // how long a test waits for something that must happen

template <class Pred> bool waitUntil(Pred pred, Clock::duration timeout = Patience) {
    const auto deadline = Clock::now() + timeout;
    while (!pred()) {
        if (Clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(2ms);
    }
    return true;
}

struct Counter {
    std::atomic<int> updates{0};
    std::atomic<Clock::rep> firstUpdate{0};
    void operator()() {
        if (updates.fetch_add(1) == 0)
            firstUpdate = Clock::now().time_since_epoch().count();
    }
};

TEST(RefillThreadTest, TheFirstUpdateComesOneIntervalAfterEnabling) {
    RecursiveTimedMutex lock;
    Counter counter;
    RefillThread thread(lock, std::ref(counter));
    thread.setInterval(200);
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(counter.updates, 0); // disabled: it sleeps

    const auto enabled = Clock::now();
    thread.setEnabled(true);
    ASSERT_TRUE(waitUntil([&] { return counter.updates >= 2; }));
    const auto first = Clock::time_point(Clock::duration(counter.firstUpdate.load()));
    EXPECT_GE(first - enabled, 195ms);
}

TEST(RefillThreadTest, DisablingDuringTheTimedWaitPreventsTheUpdate) {
    RecursiveTimedMutex lock;
    Counter counter;
    RefillThread thread(lock, std::ref(counter));
    thread.setInterval(100);
    thread.setEnabled(true);
    thread.setEnabled(false);
    std::this_thread::sleep_for(500ms);
    EXPECT_EQ(counter.updates, 0);
    EXPECT_FALSE(thread.Enabled());
}

TEST(RefillThreadTest, EnablingAnEnabledThreadDoesNotRestartItsWait) {
    // If every write signalled the wake event, writing true every 20 ms would keep
    // restarting the 200 ms wait and no update would ever run.
    RecursiveTimedMutex lock;
    Counter counter;
    RefillThread thread(lock, std::ref(counter));
    thread.setInterval(200);
    thread.setEnabled(true);
    EXPECT_TRUE(waitUntil([&] {
        thread.setEnabled(true);
        std::this_thread::sleep_for(20ms);
        return counter.updates > 0;
    }));
}

TEST(RefillThreadTest, UpdatesRunUnderTheChannelLockAndLockedOutRoundsAreSkipped) {
    RecursiveTimedMutex lock;
    std::atomic<int> updates{0};
    std::atomic<bool> lockFree{false};
    RefillThread thread(lock, [&] {
        // Another thread must not get the lock while an update runs.
        std::thread probe([&] {
            if (lock.try_lock()) {
                lockFree = true;
                lock.unlock();
            }
        });
        probe.join();
        ++updates;
    });
    thread.setInterval(20);
    {
        std::lock_guard held(lock);
        thread.setEnabled(true);
        std::this_thread::sleep_for(600ms);
        EXPECT_EQ(updates, 0);
    }
    EXPECT_TRUE(waitUntil([&] { return updates >= 3; }));
    EXPECT_FALSE(lockFree);
}

TEST(RefillThreadTest, DestructionWakesASleepingThreadAndAwaitsARunningUpdate) {
    RecursiveTimedMutex lock;
    {
        RefillThread sleeping(lock, [] {});
        sleeping.setInterval(3'600'000);
        sleeping.setEnabled(true); // waits an hour unless woken
    }
    {
        RefillThread disabled(lock, [] {});
    }

    std::atomic<bool> inside{false};
    std::atomic<bool> finished{false};
    {
        RefillThread busy(lock, [&] {
            inside = true;
            std::this_thread::sleep_for(200ms);
            finished = true;
        });
        busy.setInterval(1);
        busy.setEnabled(true);
        ASSERT_TRUE(waitUntil([&] { return inside.load(); }));
        busy.setEnabled(false);
    }
    EXPECT_TRUE(finished);
}

TEST(RefillThreadTest, AnErrorEndsTheThreadIsLoggedAndEnablingStartsAFreshOne) {
    test::LogCapture log;
    RecursiveTimedMutex lock;
    std::atomic<int> updates{0};
    std::atomic<bool> broken{true};
    std::atomic<int> failures{0};
    std::atomic<bool> lockedInHandler{false};
    RefillThread thread(
        lock,
        [&] {
            ++updates;
            if (broken)
                throw std::runtime_error("the decoder broke");
        },
        [&](const std::string& message) {
            EXPECT_EQ(message, "the decoder broke");
            // The handler runs with the channel lock still held.
            std::thread probe([&] {
                lockedInHandler = !lock.try_lock();
                if (!lockedInHandler)
                    lock.unlock();
            });
            probe.join();
            ++failures;
        });
    thread.setInterval(10);
    thread.setEnabled(true);
    ASSERT_TRUE(waitUntil([&] { return thread.failed(); }));
    EXPECT_EQ(failures, 1);
    EXPECT_TRUE(lockedInHandler);
    EXPECT_FALSE(thread.Enabled());
    EXPECT_EQ(thread.lastError(), "the decoder broke");
    EXPECT_TRUE(log.contains("the decoder broke"));
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(updates, 1); // the thread has ended

    broken = false;
    thread.setEnabled(true);
    EXPECT_FALSE(thread.failed());
    EXPECT_TRUE(waitUntil([&] { return updates >= 4; }));
    EXPECT_EQ(failures, 1);
}

} // namespace
} // namespace ws
