// The channel lock: recursion on one thread, exclusion between threads, timed waits that
// give up, and a release that lets a waiter in.
#include "audio/RecursiveTimedMutex.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace ws {
namespace {

using namespace std::chrono_literals;

bool tryFromAnotherThread(RecursiveTimedMutex& mutex, std::chrono::milliseconds timeout) {
    bool got = false;
    std::thread other([&] {
        got = mutex.try_lock_for(timeout);
        if (got)
            mutex.unlock();
    });
    other.join();
    return got;
}

TEST(RecursiveTimedMutexTest, TheOwnerReentersAndOthersWaitUntilTheLastUnlock) {
    RecursiveTimedMutex mutex;
    mutex.lock();
    EXPECT_TRUE(mutex.try_lock());
    EXPECT_TRUE(mutex.try_lock_for(0ms));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(tryFromAnotherThread(mutex, 100ms));
    EXPECT_GE(std::chrono::steady_clock::now() - start, 100ms);
    mutex.unlock();
    mutex.unlock();
    EXPECT_FALSE(tryFromAnotherThread(mutex, 0ms)); // still held once
    mutex.unlock();
    EXPECT_TRUE(tryFromAnotherThread(mutex, 0ms));
}

TEST(RecursiveTimedMutexTest, WaitersGetTheLockWhenItIsReleased) {
    RecursiveTimedMutex mutex;
    mutex.lock();
    bool timed = false;
    std::thread timedWaiter([&] {
        timed = mutex.try_lock_for(60s);
        if (timed)
            mutex.unlock();
    });
    std::thread waiter([&] {
        mutex.lock();
        mutex.unlock();
    });
    std::this_thread::sleep_for(20ms);
    mutex.unlock();
    timedWaiter.join();
    waiter.join();
    EXPECT_TRUE(timed);
}

} // namespace
} // namespace ws
