// The refill thread's body and its enable, restart and shutdown; see RefillThread.h.
#include "RefillThread.h"

#include <QDebug>

#include <chrono>
#include <exception>

namespace ws {

namespace {
constexpr std::chrono::milliseconds LockTimeout{250};
}

RefillThread::RefillThread(RecursiveTimedMutex& channelLock, UpdateFunction update,
                           FailureFunction onFailure)
    : channelLock_(channelLock), update_(std::move(update)), onFailure_(std::move(onFailure)) {
    thread_ = std::thread(&RefillThread::run, this);
}

RefillThread::~RefillThread() {
    terminated_.store(true);
    WakeEvent_.set();
    if (thread_.joinable())
        thread_.join();
}

void RefillThread::setEnabled(bool enabled) {
    if (Enabled_.load() == enabled)
        return;
    Enabled_.store(enabled);
    if (!enabled)
        return;
    if (failed_.load()) {
        // The old body has returned or is about to: it only releases the lock after
        // setting the flag.
        if (thread_.joinable())
            thread_.join();
        failed_.store(false);
        thread_ = std::thread(&RefillThread::run, this);
    }
    WakeEvent_.set();
}

std::string RefillThread::lastError() const {
    std::lock_guard lock(errorMutex_);
    return lastError_;
}

void RefillThread::run() {
    while (!terminated_.load()) {
        if (!Enabled_.load()) {
            WakeEvent_.wait();
            continue;
        }
        if (WakeEvent_.waitFor(std::chrono::milliseconds(Interval_.load())))
            continue;
        std::unique_lock lock(channelLock_, std::defer_lock);
        if (!lock.try_lock_for(LockTimeout))
            continue;
        // Stop may have disabled the thread while it waited for the lock.
        if (!Enabled_.load())
            continue;
        try {
            update_();
        } catch (const std::exception& e) {
            fail(e.what());
            return;
        } catch (...) {
            fail("unknown error");
            return;
        }
    }
}

void RefillThread::fail(const std::string& message) {
    qCritical().noquote() << "Sound refill stopped on an error:" << QString::fromStdString(message);
    Enabled_.store(false);
    if (onFailure_) {
        try {
            onFailure_(message);
        } catch (const std::exception& e) {
            qCritical().noquote() << "Sound refill could not silence its channel:" << e.what();
        } catch (...) {
            qCritical() << "Sound refill could not silence its channel.";
        }
    }
    // Published last: whoever sees the error sees the channel already silenced.
    {
        std::lock_guard lock(errorMutex_);
        lastError_ = message;
    }
    failed_.store(true);
}

} // namespace ws
