// Secondary buffers: the control calls and the per-buffer part of the mixing pass.
#include "SecondaryBuffer.h"

#include "SoftwareMixer.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace ws {

namespace {

// Reads ring frames as floats for the resampler: 8-bit unsigned or 16-bit signed, mono or
// stereo. Past the end of a non-looping ring it yields silence.
template <unsigned Bits, unsigned Channels> struct RingSource {
    static constexpr unsigned channelCount = Channels;
    const uint8_t* data;
    uint32_t frames;
    uint32_t& pos;
    bool& ended;
    bool looping;

    static float sample(const uint8_t* p) {
        if constexpr (Bits == 8) {
            return (static_cast<float>(*p) - 128.0f) * (1.0f / 128.0f);
        } else {
            int16_t s;
            std::memcpy(&s, p, 2);
            return static_cast<float>(s) * (1.0f / 32768.0f);
        }
    }

    void next(float& l, float& r) {
        if (ended) {
            l = r = 0.0f;
            return;
        }
        const uint8_t* p = data + std::size_t(pos) * (Bits / 8) * Channels;
        l = sample(p);
        r = Channels == 2 ? sample(p + Bits / 8) : l;
        if (++pos == frames) {
            pos = 0;
            ended = !looping;
        }
    }
};

} // namespace

bool supportedBufferFormat(const WaveFormat& f) {
    return f.wFormatTag == WaveFormatPcm && (f.nChannels == 1 || f.nChannels == 2) &&
           (f.wBitsPerSample == 8 || f.wBitsPerSample == 16) && f.nSamplesPerSec >= FrequencyMin &&
           f.nSamplesPerSec <= FrequencyMax && f.nBlockAlign == f.nChannels * f.wBitsPerSample / 8;
}

SecondaryBuffer::SecondaryBuffer(std::shared_ptr<SoftwareMixer> mixer, const WaveFormat& format,
                                 uint32_t bytes)
    : mixer_(std::move(mixer)), format_(format), size_(bytes), frames_(bytes / format.nBlockAlign),
      data_(new uint8_t[bytes]), frequency_(format.nSamplesPerSec),
      table_(&SincTable::forRatio(1.0)), fadeScratch_(format.nChannels),
      voiceTable_(table_.load(std::memory_order_relaxed)), resampler_(format.nChannels) {
    // Defined contents (silence) rather than whatever the allocator left.
    std::memset(data_.get(), format.wBitsPerSample == 8 ? 0x80 : 0x00, bytes);
}

SecondaryBuffer::~SecondaryBuffer() {
    // Destroyed while playing, a buffer fades out like a stopped one.
    stop();
    // A fade no pass has taken yet goes to the mixer before the buffer leaves its slot, so
    // that the first pass that no longer sees the buffer plays it.
    mixer_->fades().abandon(*this);
    mixer_->detach(this);
}

int32_t SecondaryBuffer::lock(uint32_t offset, uint32_t bytes, void** p1, uint32_t* n1, void** p2,
                              uint32_t* n2) {
    if (!p1 || !n1)
        return DeviceResult::InvalidParam;
    if (offset >= size_ || bytes == 0 || bytes > size_)
        return DeviceResult::InvalidParam;
    if (mixer_->lost())
        return DeviceResult::BufferLost;
    const uint32_t first = std::min(bytes, size_ - offset);
    *p1 = data_.get() + offset;
    *n1 = first;
    if (p2)
        *p2 = nullptr;
    if (n2)
        *n2 = 0;
    // Without somewhere to return the second part, the lock ends at the ring's end.
    if (first < bytes && p2 && n2) {
        *p2 = data_.get();
        *n2 = bytes - first;
    }
    return DeviceResult::Ok;
}

int32_t SecondaryBuffer::unlock(void* p1, uint32_t n1, void* p2, uint32_t n2) {
    const auto* begin = data_.get();
    const auto* end = begin + size_;
    const auto* q1 = static_cast<const uint8_t*>(p1);
    if (!q1 || q1 < begin || q1 >= end || n1 > static_cast<uint32_t>(end - q1))
        return DeviceResult::InvalidParam;
    if (p2 && (p2 != begin || n2 > size_))
        return DeviceResult::InvalidParam;
    // The bytes just written become visible to the mixing pass that acquires this.
    dataSeq_.fetch_add(1, std::memory_order_release);
    return DeviceResult::Ok;
}

int32_t SecondaryBuffer::play(bool looping) {
    if (mixer_->lost())
        return DeviceResult::BufferLost;
    uint64_t w = word_.load(std::memory_order_acquire);
    uint64_t desired;
    do {
        if (w & PlayingBit)
            desired = looping ? (w | LoopingBit) : (w & ~LoopingBit);
        else
            desired = bumpGen(w) | PlayingBit | (looping ? LoopingBit : 0);
    } while (!word_.compare_exchange_weak(w, desired, std::memory_order_seq_cst,
                                          std::memory_order_acquire));
    return DeviceResult::Ok;
}

int32_t SecondaryBuffer::stop() {
    uint64_t w = word_.load(std::memory_order_acquire);
    if (!(w & PlayingBit))
        return DeviceResult::Ok;
    FadeHandoff& fades = mixer_->fades();
    fades.request(*this);
    while ((w & PlayingBit) &&
           !word_.compare_exchange_weak(w, bumpGen(w) & ~PlayingBit, std::memory_order_seq_cst,
                                        std::memory_order_acquire)) {
    }
    // A pass that saw the buffer playing may still be reading the ring and moving the voice;
    // from here on no pass moves it.
    mixer_->waitForPass();
    // Rendered now, while the ring still holds the sound: the caller may rewrite all of it
    // as soon as this returns.
    fades.deliver(*this, fadeScratch_, mixer_->fadeLength());
    // A pass that met the stop first may still be reading the ring.
    mixer_->waitForPass();
    return DeviceResult::Ok;
}

bool SecondaryBuffer::playing() const {
    return (word_.load(std::memory_order_acquire) & PlayingBit) != 0;
}

int32_t SecondaryBuffer::currentPosition(uint32_t* playCursor) const {
    if (!playCursor)
        return DeviceResult::InvalidParam;
    const uint64_t w = word_.load(std::memory_order_acquire);
    *playCursor = static_cast<uint32_t>(w & FrameMask) * format_.nBlockAlign;
    return DeviceResult::Ok;
}

int32_t SecondaryBuffer::setCurrentPosition(uint32_t offset) {
    if (offset >= size_)
        return DeviceResult::InvalidParam;
    const uint64_t frame = offset / format_.nBlockAlign;
    uint64_t w = word_.load(std::memory_order_acquire);
    while (!word_.compare_exchange_weak(w, (bumpGen(w) & ~FrameMask) | frame,
                                        std::memory_order_seq_cst, std::memory_order_acquire)) {
    }
    return DeviceResult::Ok;
}

int32_t SecondaryBuffer::setVolume(int32_t hundredthsDb) {
    if (hundredthsDb < VolumeMin || hundredthsDb > VolumeMax)
        return DeviceResult::InvalidParam;
    volume_.store(hundredthsDb, std::memory_order_relaxed);
    return DeviceResult::Ok;
}

int32_t SecondaryBuffer::setPan(int32_t hundredthsDb) {
    if (hundredthsDb < PanLeft || hundredthsDb > PanRight)
        return DeviceResult::InvalidParam;
    pan_.store(hundredthsDb, std::memory_order_relaxed);
    return DeviceResult::Ok;
}

int32_t SecondaryBuffer::setFrequency(uint32_t hz) {
    if (hz != FrequencyOriginal && (hz < FrequencyMin || hz > FrequencyMax))
        return DeviceResult::InvalidParam;
    std::lock_guard lock(mixer_->controlMutex());
    frequency_.store(hz == FrequencyOriginal ? format_.nSamplesPerSec : hz,
                     std::memory_order_relaxed);
    updateStep(mixer_->deviceRate());
    return DeviceResult::Ok;
}

int32_t SecondaryBuffer::volume() const {
    return volume_.load(std::memory_order_relaxed);
}
int32_t SecondaryBuffer::pan() const {
    return pan_.load(std::memory_order_relaxed);
}
uint32_t SecondaryBuffer::frequency() const {
    return frequency_.load(std::memory_order_relaxed);
}

void SecondaryBuffer::updateStep(uint32_t deviceRate) {
    const double ratio = double(frequency_.load(std::memory_order_relaxed)) / double(deviceRate);
    // The table first: for a moment the old step may meet the new kernel, never a kernel
    // that was not made yet.
    table_.store(&SincTable::forRatio(ratio), std::memory_order_release);
    const ResampleStep step =
        ResampleStep::ratio(frequency_.load(std::memory_order_relaxed), deviceRate);
    const uint32_t seq = stepSeq_.load(std::memory_order_relaxed);
    stepSeq_.store(seq + 1, std::memory_order_relaxed);
    // Release stores keep the odd sequence number ahead of the new values, without a
    // stand-alone fence (which ThreadSanitizer cannot follow).
    stepFixed_.store(step.fixed, std::memory_order_release);
    stepRemDen_.store(uint64_t(step.rem) << 32 | step.den, std::memory_order_release);
    stepSeq_.store(seq + 2, std::memory_order_release);
}

ResampleStep SecondaryBuffer::readStep() {
    const uint32_t before = stepSeq_.load(std::memory_order_acquire);
    // Acquire loads keep the second sequence read behind the values.
    const uint64_t fixed = stepFixed_.load(std::memory_order_acquire);
    const uint64_t remDen = stepRemDen_.load(std::memory_order_acquire);
    if ((before & 1) == 0 && stepSeq_.load(std::memory_order_relaxed) == before)
        step_ = {fixed, static_cast<uint32_t>(remDen >> 32), static_cast<uint32_t>(remDen)};
    return step_;
}

void SecondaryBuffer::restart(uint32_t frame) {
    cursor_ = frame < frames_ ? frame : 0;
    fetch_ = static_cast<uint32_t>(cursor_);
    fetchEnded_ = false;
    resampler_.reset();
}

uint64_t SecondaryBuffer::pull(Resampler& resampler, float* outL, float* outR, std::size_t frames,
                               const ResampleStep& step, const SincTable& table, bool looping,
                               uint32_t& pos, bool& ended) const {
    auto run = [&]<unsigned Bits, unsigned Channels>() {
        RingSource<Bits, Channels> src{data_.get(), frames_, pos, ended, looping};
        return resampler.process<Channels>(outL, outR, frames, step, table, src);
    };
    const bool stereo = format_.nChannels == 2;
    if (format_.wBitsPerSample == 8)
        return stereo ? run.template operator()<8, 2>() : run.template operator()<8, 1>();
    return stereo ? run.template operator()<16, 2>() : run.template operator()<16, 1>();
}

void SecondaryBuffer::renderFade(Resampler& scratch, float* outL, float* outR,
                                 uint32_t frames) const {
    scratch = resampler_;
    uint32_t pos = fetch_;
    bool ended = fetchEnded_;
    pull(scratch, outL, outR, frames, step_, *voiceTable_, voiceLooping_, pos, ended);
    if (format_.nChannels == 1)
        std::copy_n(outL, frames, outR);
    // A volume ramp in progress runs on under the fade.
    GainRamp gain = ramp_;
    GainRamp fade;
    fade.snap({1.0f, 1.0f});
    fade.retarget({0.0f, 0.0f}, frames);
    for (uint32_t i = 0; i < frames; ++i) {
        const StereoGain g = gain.next();
        const float f = fade.next().left;
        outL[i] *= g.left * f;
        outR[i] *= g.right * f;
    }
}

void SecondaryBuffer::mixInto(float* mixL, float* mixR, std::size_t frames, float* tmpL,
                              float* tmpR, uint32_t rampLength) {
    const uint64_t w = word_.load(std::memory_order_seq_cst);
    const bool playing = (w & PlayingBit) != 0;
    const uint32_t gen = genOf(w);
    // A stop took the voice off: its fade starts here, before anything else can reset it.
    if (FadeHandoff::fadePending(*this) && (!playing || gen != seenGen_))
        mixer_->fades().meet(*this, rampLength);
    if (!playing)
        return;
    dataSeq_.load(std::memory_order_acquire);
    const bool looping = (w & LoopingBit) != 0;
    const int32_t vol = volume_.load(std::memory_order_relaxed);
    const int32_t pan = pan_.load(std::memory_order_relaxed);
    if (gen != seenGen_) {
        // Started, or moved: the sound begins here, with nothing before it to ramp from.
        seenGen_ = gen;
        restart(static_cast<uint32_t>(w & FrameMask));
        ramp_.snap(stereoGain(vol, pan));
        seenVolume_ = vol;
        seenPan_ = pan;
    } else if (vol != seenVolume_ || pan != seenPan_) {
        ramp_.retarget(stereoGain(vol, pan), rampLength);
        seenVolume_ = vol;
        seenPan_ = pan;
    }

    const SincTable& table = *table_.load(std::memory_order_acquire);
    const ResampleStep step = readStep();
    std::size_t todo = frames;
    bool ends = false;
    if (!looping) {
        // Output frames until the cursor reaches the ring's end.
        const uint64_t left = resampler_.framesUntil(frames_ - cursor_, step);
        if (left <= frames) {
            todo = static_cast<std::size_t>(left);
            ends = true;
        }
    }

    const uint64_t consumed =
        pull(resampler_, tmpL, tmpR, todo, step, table, looping, fetch_, fetchEnded_);
    voiceTable_ = &table;
    voiceLooping_ = looping;
    const float* right = format_.nChannels == 2 ? tmpR : tmpL;

    if (ramp_.ramping()) {
        for (std::size_t i = 0; i < todo; ++i) {
            const StereoGain g = ramp_.next();
            mixL[i] += tmpL[i] * g.left;
            mixR[i] += right[i] * g.right;
        }
    } else {
        const StereoGain g = ramp_.target();
        for (std::size_t i = 0; i < todo; ++i) {
            mixL[i] += tmpL[i] * g.left;
            mixR[i] += right[i] * g.right;
        }
    }

    cursor_ += consumed;
    if (ends || cursor_ >= frames_)
        cursor_ = looping ? cursor_ % frames_ : 0;
    FadeHandoff::sounded(*this, !ends);

    // Publish the cursor (and the stop at the end) unless a control call restarted or
    // moved the buffer meanwhile; a changed looping flag alone is kept.
    uint64_t cur = w;
    for (;;) {
        if (genOf(cur) != gen)
            break;
        uint64_t desired = (cur & ~FrameMask) | cursor_;
        if (ends)
            desired &= ~PlayingBit;
        if (word_.compare_exchange_weak(cur, desired, std::memory_order_acq_rel,
                                        std::memory_order_acquire))
            break;
    }
}

} // namespace ws
