// A recording of what the device plays: a wave file of 16-bit PCM at the device's rate and
// channel count, fed from an output tap by a writer thread of its own, so that the output
// callback only ever copies into the tap's ring. The file's header is brought up to date
// after every write, so whatever happens later (a full disk, a crash, a pulled plug) the
// file holds a valid wave of everything written so far.
//
// Threads: the owner (the user-interface thread) makes, polls and finishes the recorder;
// the writer thread drains the tap. failure_ is guarded by mutex_, with stop_ and wake_;
// written_ and failed_ are atomics the owner polls. file_ belongs to the writer thread
// until finish has joined it.
#pragma once

#include "OutputTap.h"
#include "WaveFormat.h"

#include <sndfile.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>

namespace ws {

class RecordingError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class WaveRecorder {
public:
    // The tap holds this much output while the writer is held up (a slow disk).
    static constexpr double RingSeconds = 4.0;
    // A wave file's sizes are 32-bit: the recording ends before its data would overflow them.
    static constexpr uint64_t MaxDataBytes = 0xFFFFFFFFull - 4096;

    // Creates the file for output in `device` (the device's own format). RecordingError
    // with the path and the reason when it cannot be created.
    WaveRecorder(const std::string& path, const WaveFormat& device);
    ~WaveRecorder();
    WaveRecorder(const WaveRecorder&) = delete;
    WaveRecorder& operator=(const WaveRecorder&) = delete;

    // What the device should publish to.
    const std::shared_ptr<OutputTap>& tap() const { return tap_; }
    const std::string& path() const { return path_; }

    // Writes what the tap still holds and closes the file; later calls do nothing. A write
    // that fails here shows in failed() as any other.
    void finish();

    uint64_t framesWritten() const { return written_.load(std::memory_order_relaxed); }
    double secondsWritten() const;
    uint64_t framesDropped() const { return tap_->droppedFrames(); }
    bool formatChanged() const { return tap_->formatChanged(); }
    // Set once a write failed or the file reached its size limit; the recording has ended
    // there and failure() says why.
    bool failed() const { return failed_.load(std::memory_order_acquire); }
    std::string failure() const;

private:
    void run();
    // Moves everything the tap holds into the file; false once writing has failed.
    bool drain();
    void fail(const std::string& reason);

    const std::string path_;
    const std::shared_ptr<OutputTap> tap_;
    SNDFILE* file_ = nullptr;
    std::thread writer_;

    mutable std::mutex mutex_; // guards stop_ and failure_
    std::condition_variable wake_;
    bool stop_ = false;
    std::string failure_;
    std::atomic<bool> failed_{false};
    std::atomic<uint64_t> written_{0};
    uint64_t dataBytes_ = 0; // writer thread
};

} // namespace ws
