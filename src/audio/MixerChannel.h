// A mixer channel streams one audio file through one looping sound buffer of its mixer
// device. The decoder writes into a staging block that mirrors the 4-second ring byte for
// byte; the channel's refill thread wakes every 400 ms and has the channel rewrite the part
// of the ring played since its last visit, so fresh data always sits one ring ahead of the
// play cursor. A position map remembers which stretch of the file each stretch of the ring
// holds, so the play position can be reported in milliseconds of file time. When a file
// that does not loop runs out, the rest of the ring is silence; once the play cursor has
// passed the last real sample the channel stops itself, rewinds and posts its end
// notification to the thread that created it.
//
// Threads: the creating (user-interface) thread calls the public operations; the refill
// thread calls update(). Both take the channel's recursive lock, the operations marked
// "locked" waiting at most 250 ms and doing nothing at all when the wait times out.
#pragma once

#include "AudioFileReader.h"
#include "PositionMap.h"
#include "RecursiveTimedMutex.h"
#include "RefillThread.h"
#include "SoundChannel.h"
#include "SoundDevice.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

class QObject;

namespace ws {

class Mixer;

enum class ChannelState { csStopped, csPlaying };

class MixerChannel : public SoundChannel {
public:
    using Notification = std::function<void(MixerChannel& sender)>;
    // A millisecond tick that may wrap around; differences are taken modulo 2^32.
    using TickSource = std::function<uint32_t()>;

    // Ring length in milliseconds; the refill interval is a tenth of it.
    static constexpr int32_t BufferLength = 4000;

    explicit MixerChannel(Mixer& mixer);
    ~MixerChannel() override;
    MixerChannel(const MixerChannel&) = delete;
    MixerChannel& operator=(const MixerChannel&) = delete;

    // The open file; empty when none.
    const std::string& FileName() const override { return FileName_; }
    // Locked. Stops, closes the current file and resets Volume, Pan, Frequency and Loop;
    // then opens `name` unless it is empty. Raises the decoder's error, or "Audio file is
    // empty.", "Invalid number of channels.", "Invalid number of bits per sample."
    void setFileName(const std::string& name) override;

    bool Loop() const override { return Loop_.load(); }
    // Consulted the next time the file's data runs out.
    void setLoop(bool value) override { Loop_.store(value); }

    // Attenuation in hundredths of a dB (0 full level, -10000 silence). Locked; the value
    // is stored before the sound buffer is told, so a rejected value stays stored.
    int32_t Volume() const override { return Volume_; }
    void setVolume(int32_t value) override;
    // Balance in hundredths of a dB (-10000 left, 10000 right). Locked.
    int32_t Pan() const { return Pan_; }
    void setPan(int32_t value);
    // Playback rate in Hz (0 = the file's own). Locked. A rate written since the file was
    // opened also sets the rate of every buffer made for it later (the first play, a new
    // device); until one is written, buffers play at the file's own rate.
    int32_t Frequency() const override { return Frequency_; }
    void setFrequency(int32_t value) override;

    // Locked. Plays from the decoder's position (the file's start after setFileName or
    // stop); nothing when already playing. Raises "No file opened" without a file.
    void play() override;
    // Locked. Stops and rewinds to the file's start; nothing when no buffer exists.
    void stop() override;

    // Locked. The file time under the play cursor in ms; 0 when stopped or locked out.
    int32_t Position() const override;
    // Length of the open file in ms (kept after the file is closed).
    int32_t Duration() const override { return Duration_; }
    // Sample rate of the open file in Hz (kept after the file is closed).
    uint32_t SamplesPerSec() const override { return SamplesPerSec_; }
    ChannelState State() const { return State_.load(); }
    bool isPlaying() const override { return State() == ChannelState::csPlaying; }

    // Stops the channel and frees its sound buffer, keeping the file and the settings; the
    // next play creates a fresh buffer on the mixer's current device. Takes the channel lock
    // without a time limit (waiting out a running update, so the buffer is never freed
    // under it); the stop's fade is handed to the mixer, which plays it after the buffer
    // has gone.
    void releaseBuffer();

    // The end notification runs on the creating thread's event loop after the channel has
    // stopped itself at the end of a file that does not loop.
    void setOnEnd(Notification handler);
    // Runs at once, on the thread that met the loss, when the sound buffer was lost.
    void setOnBufferLost(Notification handler);

    // End detection and refill; run by the refill thread every refill interval while
    // playing. Locked; does nothing unless playing.
    void update();

    // The millisecond tick that paces refills (a monotonic system tick by default).
    void setTickSource(TickSource tick);
    // The refill thread's period in ms (BufferLength / 10 by default).
    uint32_t refillInterval() const { return UpdateThread_->Interval(); }
    void setRefillInterval(uint32_t ms) { UpdateThread_->setInterval(ms); }
    // The message of the error that last ended the refill thread; empty when none did.
    std::string refillError() const { return UpdateThread_->lastError(); }

    static uint32_t systemTick();

private:
    friend class Mixer;

    void createBuffer();
    void prime();
    // False when the sound buffer was lost on the way (the rest of the pass writes nothing).
    bool refill();
    bool fillFromFile(uint32_t offset, uint32_t count);
    int64_t distanceToEnd() const;
    void handleBufferLost();
    void resetStream();
    void resetSettings();
    void closeFile();
    void postEnd();
    void dispatchEnd();
    // Runs on the refill thread, under the lock, when an update raised: the thread has
    // ended, so the ring must not go on repeating.
    void silenceAfterRefillError() noexcept;
    // The mixer is going away: shut down and forget it.
    void detachFromMixer() noexcept;

    // Written only under lock_ unless noted. The user-interface thread reads the settings,
    // FileName_, Duration_ and SamplesPerSec_ without the lock: only that thread writes them.
    Mixer* mixer_;
    std::unique_ptr<SoundBuffer> Buffer_;
    std::string FileName_;
    std::atomic<bool> Loop_{false}; // written without the lock, read by the refill thread
    bool Primed_ = false;
    bool Ending_ = false;
    uint32_t SamplesPerSec_ = 0;
    int32_t Duration_ = 0;
    uint32_t BufferSize_ = 0;
    uint32_t EndThreshold_ = 0;
    uint32_t WriteCursor_ = 0;
    uint32_t LastUpdateTick_ = 0;
    int32_t Frequency_ = 44100;
    bool FrequencySet_ = false; // Frequency_ was written since the file was opened
    int32_t Volume_ = 0;
    int32_t Pan_ = 0;
    int32_t EndPosition_ = -1;
    std::unique_ptr<AudioFileReader> Reader_;
    std::atomic<ChannelState> State_{ChannelState::csStopped}; // read without the lock
    PositionMap PositionTimes_;
    std::unique_ptr<uint8_t[]> Scratch_;
    TickSource tick_; // guarded by lock_

    mutable std::mutex notificationMutex_;
    Notification OnEnd_;        // guarded by notificationMutex_
    Notification OnBufferLost_; // guarded by notificationMutex_

    mutable RecursiveTimedMutex lock_;  // the channel lock, shared with UpdateThread_
    std::unique_ptr<QObject> notifier_; // lives on the creating thread
    // Created and destroyed by the owner; Enabled and Interval are its own atomics.
    std::unique_ptr<RefillThread> UpdateThread_;
};

} // namespace ws
