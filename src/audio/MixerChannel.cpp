// Streaming of one file through a mixer channel's ring buffer; see MixerChannel.h.
#include "MixerChannel.h"

#include "AudioErrors.h"
#include "DeviceResult.h"
#include "Mixer.h"

#include <QDebug>
#include <QMetaObject>
#include <QObject>

#include <chrono>
#include <cstring>
#include <exception>
#include <stdexcept>

namespace ws {

namespace {

constexpr std::chrono::milliseconds LockTimeout{250};

using TimedLock = std::unique_lock<RecursiveTimedMutex>;

// Runs a function when the scope is left, on every path.
template <class F> class ScopeExit {
public:
    explicit ScopeExit(F f) : f_(std::move(f)) {}
    ~ScopeExit() { f_(); }
    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;

private:
    F f_;
};

} // namespace

uint32_t MixerChannel::systemTick() {
    using namespace std::chrono;
    const auto ms = duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    return static_cast<uint32_t>(ms);
}

MixerChannel::MixerChannel(Mixer& mixer) : mixer_(&mixer), tick_(&MixerChannel::systemTick) {
    resetStream();
    resetSettings();
    notifier_ = std::make_unique<QObject>();
    UpdateThread_ = std::make_unique<RefillThread>(
        lock_, [this] { update(); }, [this](const std::string&) { silenceAfterRefillError(); });
    UpdateThread_->setEnabled(false);
    UpdateThread_->setInterval(BufferLength / 10);
    mixer_->addChannel(this);
}

MixerChannel::~MixerChannel() {
    if (mixer_)
        mixer_->removeChannel(this);
    UpdateThread_->setEnabled(false);
    try {
        std::lock_guard lock(lock_);
        releaseBuffer();
        closeFile();
    } catch (const std::exception& e) {
        qWarning().noquote() << "Closing a mixer channel failed:" << e.what();
    }
    UpdateThread_.reset();
    notifier_.reset();
}

void MixerChannel::setFileName(const std::string& name) {
    TimedLock lock(lock_, LockTimeout);
    if (!lock)
        return;
    releaseBuffer();
    closeFile();
    if (name.empty())
        return;
    Reader_ = std::make_unique<AudioFileReader>(name);
    Duration_ = static_cast<int32_t>(Reader_->StreamDuration() / 10000);
    if (Duration_ == 0)
        throw std::runtime_error("Audio file is empty.");
    const WaveFormat& format = Reader_->Format();
    if (format.nChannels != 1 && format.nChannels != 2)
        throw std::runtime_error("Invalid number of channels.");
    if (format.wBitsPerSample != 8 && format.wBitsPerSample != 16)
        throw std::runtime_error("Invalid number of bits per sample.");
    SamplesPerSec_ = format.nSamplesPerSec;
    FileName_ = name;
}

void MixerChannel::setVolume(int32_t value) {
    TimedLock lock(lock_, LockTimeout);
    if (!lock)
        return;
    Volume_ = value;
    if (Buffer_)
        checkDeviceResult(Buffer_->setVolume(value));
}

void MixerChannel::setPan(int32_t value) {
    TimedLock lock(lock_, LockTimeout);
    if (!lock)
        return;
    Pan_ = value;
    if (Buffer_)
        checkDeviceResult(Buffer_->setPan(value));
}

void MixerChannel::setFrequency(int32_t value) {
    TimedLock lock(lock_, LockTimeout);
    if (!lock)
        return;
    Frequency_ = value;
    FrequencySet_ = true;
    if (Buffer_)
        checkDeviceResult(Buffer_->setFrequency(static_cast<uint32_t>(value)));
}

void MixerChannel::play() {
    TimedLock lock(lock_, LockTimeout);
    if (!lock)
        return;
    if (State_ == ChannelState::csPlaying)
        return;
    createBuffer();
    prime();
    if (!Buffer_)
        return; // lost while priming; already handled
    const int32_t result = Buffer_->play(true);
    if (result == DeviceResult::BufferLost) {
        handleBufferLost();
        return;
    }
    checkDeviceResult(result);
    State_ = ChannelState::csPlaying;
    UpdateThread_->setEnabled(true);
}

void MixerChannel::stop() {
    TimedLock lock(lock_, LockTimeout);
    if (!lock)
        return;
    if (!Buffer_)
        return;
    UpdateThread_->setEnabled(false);
    checkDeviceResult(Buffer_->stop());
    State_ = ChannelState::csStopped;
    checkDeviceResult(Buffer_->setCurrentPosition(0));
    WriteCursor_ = 0;
    Reader_->seek(0);
    Primed_ = false;
    EndPosition_ = -1;
    Ending_ = false;
}

int32_t MixerChannel::Position() const {
    TimedLock lock(lock_, LockTimeout);
    if (!lock)
        return 0;
    if (Primed_) {
        WS_CHECK(Buffer_ != nullptr, "Assertion failure");
        uint32_t cursor = 0;
        checkDeviceResult(Buffer_->currentPosition(&cursor));
        return PositionTimes_.getPosTime(static_cast<int32_t>(cursor));
    }
    if (Reader_)
        return static_cast<int32_t>(Reader_->StreamPosition() / 10000);
    return 0;
}

void MixerChannel::releaseBuffer() {
    // Without a time limit: the buffer and the staging block must never go while an
    // update is using them. The refill thread holds this lock for one update at a time.
    // Meanwhile it may take the software mixer's probe and control mutexes (asking whether
    // the device is lost; freeing a lost buffer) and this channel's notification mutex, and
    // wait for a mixing pass to end; no thread holds one of those while it waits for a
    // channel's lock, and a pass waits for nothing, so the wait is short and cannot deadlock.
    std::lock_guard lock(lock_);
    ScopeExit release([this] {
        Buffer_.reset();
        Scratch_.reset();
        resetStream();
    });
    if (Buffer_)
        stop();
}

void MixerChannel::setOnEnd(Notification handler) {
    std::lock_guard lock(notificationMutex_);
    OnEnd_ = std::move(handler);
}

void MixerChannel::setOnBufferLost(Notification handler) {
    std::lock_guard lock(notificationMutex_);
    OnBufferLost_ = std::move(handler);
}

void MixerChannel::setTickSource(TickSource tick) {
    std::lock_guard lock(lock_);
    tick_ = tick ? std::move(tick) : TickSource(&MixerChannel::systemTick);
}

void MixerChannel::update() {
    TimedLock lock(lock_, LockTimeout);
    if (!lock)
        return;
    if (State_ != ChannelState::csPlaying)
        return;
    int64_t distance = 0;
    if (Ending_) {
        distance = distanceToEnd();
        if (distance > EndThreshold_) {
            // The play cursor has passed the last real sample.
            stop();
            postEnd();
            return;
        }
    }
    const uint32_t now = tick_();
    if (now - LastUpdateTick_ >= UpdateThread_->Interval()) {
        LastUpdateTick_ = now;
        if (EndPosition_ != -1) {
            if (distance == 0)
                distance = distanceToEnd();
            if (distance <= EndThreshold_)
                Ending_ = true;
        }
        refill();
    }
}

void MixerChannel::createBuffer() {
    if (Buffer_)
        return;
    if (!Reader_)
        throw std::runtime_error("No file opened");
    if (!mixer_)
        throw std::runtime_error("The channel's mixer device no longer exists.");
    // The device first: reopening a device that has gone away resets every channel's
    // stream, this one's included.
    SoundDevice& device = mixer_->soundDevice();
    const WaveFormat& format = Reader_->Format();
    const uint64_t size = uint64_t(format.nAvgBytesPerSec) * uint64_t(BufferLength) / 1000;
    BufferSize_ = static_cast<uint32_t>(size);
    EndThreshold_ = static_cast<uint32_t>(size * 40 / 100);
    std::unique_ptr<SoundBuffer> buffer;
    checkDeviceResult(device.createSoundBuffer(format, BufferSize_, &buffer));
    if (!buffer)
        checkDeviceResult(DeviceResult::Generic);
    Scratch_ = std::make_unique_for_overwrite<uint8_t[]>(BufferSize_);
    Buffer_ = std::move(buffer);
    setVolume(Volume_);
    setPan(Pan_);
    // A buffer starts at the file's own rate; one written since the open replaces it, so a
    // loop can start at the pitch it was given before it played. The stored default is no
    // such rate.
    if (FrequencySet_)
        setFrequency(Frequency_);
}

void MixerChannel::prime() {
    if (!Primed_)
        refill();
}

bool MixerChannel::refill() {
    createBuffer();
    if (!Primed_) {
        if (!fillFromFile(0, BufferSize_))
            return false;
        Primed_ = true;
        return true;
    }
    uint32_t cursor = 0;
    checkDeviceResult(Buffer_->currentPosition(&cursor));
    if (WriteCursor_ <= cursor) {
        if (!fillFromFile(WriteCursor_, cursor - WriteCursor_))
            return false;
    } else {
        // The cursor has wrapped round the ring's end.
        if (!fillFromFile(WriteCursor_, BufferSize_ - WriteCursor_))
            return false;
        if (!fillFromFile(0, cursor))
            return false;
    }
    WriteCursor_ = cursor;
    return true;
}

bool MixerChannel::fillFromFile(uint32_t offset, uint32_t count) {
    if (count == 0)
        return true;
    uint32_t cur = offset;
    int64_t remaining = count;
    // Set by a rewind and cleared by any data: a decoder that delivers nothing right after
    // its rewind has nothing to give, and looping on it would never end.
    bool rewound = false;
    do {
        WS_CHECK(remaining > 0, "Read from file not higher than 0");
        uint8_t* dst = Scratch_.get() + cur;
        if (EndPosition_ == -1) {
            const uint32_t got = Reader_->read(dst, static_cast<uint32_t>(remaining));
            if (got > 0) {
                PositionTimes_.addPosTime(static_cast<int32_t>(cur),
                                          static_cast<int32_t>(cur + got),
                                          Reader_->SampleStartTime(), Reader_->SampleEndTime());
                remaining -= got;
                rewound = false;
            }
            if (remaining > 0) {
                // The file's data has run out.
                cur += got;
                if (!Loop_ || (got == 0 && rewound))
                    EndPosition_ = static_cast<int32_t>(cur);
                Reader_->seek(0);
                rewound = true;
            }
        } else {
            const int silence = Reader_->Format().wBitsPerSample == 8 ? 0x80 : 0x00;
            std::memset(dst, silence, static_cast<std::size_t>(remaining));
            PositionTimes_.addPosTime(static_cast<int32_t>(cur),
                                      static_cast<int32_t>(cur + remaining),
                                      Reader_->SampleEndTime(), Reader_->SampleEndTime());
            remaining = 0;
        }
    } while (remaining != 0);

    void* part1 = nullptr;
    void* part2 = nullptr;
    uint32_t length1 = 0;
    uint32_t length2 = 0;
    const int32_t result = Buffer_->lock(offset, count, &part1, &length1, &part2, &length2);
    if (result == DeviceResult::BufferLost) {
        handleBufferLost();
        return false;
    }
    checkDeviceResult(result);
    {
        ScopeExit unlock([&] { Buffer_->unlock(part1, length1, nullptr, 0); });
        WS_CHECK(length1 == count, "Locked different size from requested");
        std::memcpy(part1, Scratch_.get() + offset, count);
    }
    return true;
}

int64_t MixerChannel::distanceToEnd() const {
    uint32_t cursor = 0;
    checkDeviceResult(Buffer_->currentPosition(&cursor));
    int64_t distance = int64_t(EndPosition_) - int64_t(cursor);
    // A cursor standing exactly on the end counts as a whole ring away.
    if (distance <= 0)
        distance += BufferSize_;
    return distance;
}

void MixerChannel::handleBufferLost() {
    releaseBuffer();
    Notification handler;
    {
        std::lock_guard lock(notificationMutex_);
        handler = OnBufferLost_;
    }
    if (handler)
        handler(*this);
}

void MixerChannel::resetStream() {
    Scratch_.reset();
    EndThreshold_ = 0;
    WriteCursor_ = 0;
    State_ = ChannelState::csStopped;
    Primed_ = false;
    EndPosition_ = -1;
    Ending_ = false;
}

void MixerChannel::resetSettings() {
    Volume_ = 0;
    Frequency_ = 44100;
    FrequencySet_ = false;
    Pan_ = 0;
    Loop_ = false;
    FileName_.clear();
}

void MixerChannel::closeFile() {
    releaseBuffer();
    Reader_.reset();
    resetSettings();
}

void MixerChannel::postEnd() {
    // Posted, not called: the handler runs on the creating thread's event loop, by which
    // time other operations may have run on the channel.
    QMetaObject::invokeMethod(
        notifier_.get(), [this] { dispatchEnd(); }, Qt::QueuedConnection);
}

void MixerChannel::dispatchEnd() {
    Notification handler;
    {
        std::lock_guard lock(notificationMutex_);
        handler = OnEnd_;
    }
    if (!handler)
        return;
    // Runs from the event loop: nothing may unwind through it.
    try {
        handler(*this);
    } catch (const std::exception& e) {
        qCritical().noquote() << "The end handler of a mixer channel failed:" << e.what();
    }
}

void MixerChannel::silenceAfterRefillError() noexcept {
    if (Buffer_) {
        (void)Buffer_->stop();
        (void)Buffer_->setCurrentPosition(0);
    }
    State_ = ChannelState::csStopped;
    WriteCursor_ = 0;
    Primed_ = false;
    EndPosition_ = -1;
    Ending_ = false;
    if (Reader_) {
        try {
            Reader_->seek(0);
        } catch (const std::exception& e) {
            qWarning().noquote() << "Rewinding" << QString::fromStdString(FileName_)
                                 << "failed:" << e.what();
        }
    }
}

void MixerChannel::detachFromMixer() noexcept {
    UpdateThread_->setEnabled(false);
    std::lock_guard lock(lock_);
    try {
        releaseBuffer();
        closeFile();
    } catch (const std::exception& e) {
        qWarning().noquote() << "Closing a mixer channel failed:" << e.what();
    }
    mixer_ = nullptr;
}

} // namespace ws
