// A secondary buffer of the software mixer: a byte ring in one PCM format with its play
// state, volume, pan and rate. The control side (any thread, one at a time per buffer)
// uses the SoundBuffer interface; the mixing side (the output callback) calls mixInto.
//
// Stopping does not cut the sound: it plays on for a ramp's length, faded to silence, from
// the mixer's FadeHandoff, while the buffer reports itself stopped at once. A play that
// follows starts at its first frame at full level, over that fade. The buffer is the fade's
// voice: it renders the fade; when and by whom is the FadeHandoff's business.
//
// What the two sides share, and how:
//  - word_: play state, looping flag, cursor frame and a restart generation in one atomic
//    word. Control calls that move the cursor or start/stop playing bump the generation;
//    the callback publishes its advanced cursor with a compare-exchange that fails when
//    the generation moved meanwhile, so a stale pass never overwrites a new position.
//    Acquire/release on it orders the ring's bytes: the refill writes only bytes the
//    cursor has passed, after reading the cursor.
//  - dataSeq_: bumped with release by unlock(), acquired by every pass, so newly written
//    bytes are visible to the callback.
//  - volume_, pan_, table_: plain atomics, read once per pass.
//  - stepFixed_, stepRemDen_: the resampling step, written under the mixer's control mutex
//    between two odd/even bumps of stepSeq_; a pass that catches a write half done keeps
//    the step it used last.
//  - the fade's state (in the FadeHandoff::Voice base), which only the FadeHandoff moves.
// Everything under "Mixing side" is touched only by the thread that mixes (or before the
// buffer is attached to its mixer), except that a stop reads the voice to render its fade
// once no pass can advance it any more (see stop()).
#pragma once

#include "FadeHandoff.h"
#include "GainRamp.h"
#include "Resampler.h"
#include "SoundDevice.h"

#include <atomic>
#include <cstdint>
#include <memory>

namespace ws {

class SoftwareMixer;

// Largest buffer accepted, in bytes.
inline constexpr uint32_t MaxBufferBytes = 0x0FFFFFFF;

// True for the formats a secondary buffer can hold: 8-bit unsigned or 16-bit signed PCM,
// 1 or 2 channels, FrequencyMin..FrequencyMax, with a consistent block size.
bool supportedBufferFormat(const WaveFormat& format);

class SecondaryBuffer : public SoundBuffer, private FadeHandoff::Voice {
public:
    // Made by SoftwareMixer::createBuffer, which attaches it.
    SecondaryBuffer(std::shared_ptr<SoftwareMixer> mixer, const WaveFormat& format, uint32_t bytes);
    ~SecondaryBuffer() override;
    SecondaryBuffer(const SecondaryBuffer&) = delete;
    SecondaryBuffer& operator=(const SecondaryBuffer&) = delete;

    int32_t lock(uint32_t offset, uint32_t bytes, void** p1, uint32_t* n1, void** p2,
                 uint32_t* n2) override;
    int32_t unlock(void* p1, uint32_t n1, void* p2, uint32_t n2) override;
    int32_t play(bool looping) override;
    int32_t stop() override;
    bool playing() const override;
    int32_t currentPosition(uint32_t* playCursor) const override;
    int32_t setCurrentPosition(uint32_t offset) override;
    int32_t setVolume(int32_t hundredthsDb) override;
    int32_t setPan(int32_t hundredthsDb) override;
    int32_t setFrequency(uint32_t hz) override;
    int32_t volume() const override;
    int32_t pan() const override;
    uint32_t frequency() const override;
    const WaveFormat& format() const override { return format_; }
    uint32_t size() const override { return size_; }

    // Control side, called by the mixer with its control mutex held: recomputes the
    // resampling step for a new device rate.
    void updateStep(uint32_t deviceRate);

    // Mixing side: adds `frames` output frames of this buffer into mixL/mixR (the left and
    // right sides at the device rate), using tmpL/tmpR (at least `frames` floats each) as
    // scratch. Never blocks, allocates or throws.
    void mixInto(float* mixL, float* mixR, std::size_t frames, float* tmpL, float* tmpR,
                 uint32_t rampLength);

    // Slot index in the mixer's table, or -1 while detached.
    int slot = -1;

private:
    static constexpr uint64_t FrameMask = 0xFFFFFFFFull;
    static constexpr uint64_t PlayingBit = 1ull << 32;
    static constexpr uint64_t LoopingBit = 1ull << 33;
    static constexpr int GenShift = 34;
    static uint32_t genOf(uint64_t w) { return static_cast<uint32_t>(w >> GenShift); }
    static uint64_t bumpGen(uint64_t w) {
        return (w & ((1ull << GenShift) - 1)) | (uint64_t((genOf(w) + 1) & 0x3FFFFFFF) << GenShift);
    }

    // Resamples `frames` output frames from the ring with `resampler`, fetching from `pos`
    // on (mono input goes to outL only). Returns the input frames consumed.
    uint64_t pull(Resampler& resampler, float* outL, float* outR, std::size_t frames,
                  const ResampleStep& step, const SincTable& table, bool looping, uint32_t& pos,
                  bool& ended) const;
    // The voice's next `frames` output frames, faded from its present gain to silence, worked
    // out on a copy in `scratch` (the voice itself does not move).
    void renderFade(Resampler& scratch, float* outL, float* outR, uint32_t frames) const override;
    ResampleStep readStep();
    void restart(uint32_t frame);

    const std::shared_ptr<SoftwareMixer> mixer_;
    const WaveFormat format_;
    const uint32_t size_;   // bytes
    const uint32_t frames_; // size_ / nBlockAlign
    std::unique_ptr<uint8_t[]> data_;

    // Shared with the mixing side (see the file comment).
    std::atomic<uint64_t> word_{0};
    std::atomic<uint32_t> dataSeq_{0};
    std::atomic<int32_t> volume_{0};
    std::atomic<int32_t> pan_{0};
    std::atomic<uint32_t> frequency_; // the rate in effect
    std::atomic<uint32_t> stepSeq_{0};
    std::atomic<uint64_t> stepFixed_{uint64_t(1) << 32};
    std::atomic<uint64_t> stepRemDen_{1}; // remainder << 32 | device rate
    std::atomic<const SincTable*> table_;

    // Control side: where a stop renders its fade.
    Resampler fadeScratch_;

    // Mixing side.
    ResampleStep step_;                     // the step last read whole
    const SincTable* voiceTable_ = nullptr; // the kernel of the last pass
    bool voiceLooping_ = false;             // and whether it looped
    uint32_t seenGen_ = 0xFFFFFFFFu;        // no generation ever matches: the first pass restarts
    uint64_t cursor_ = 0;                   // frame under the play cursor
    uint32_t fetch_ = 0;                    // next ring frame the resampler takes
    bool fetchEnded_ = false;               // a non-looping fetch ran past the ring's end
    int32_t seenVolume_ = 0;
    int32_t seenPan_ = 0;
    GainRamp ramp_;
    Resampler resampler_;
};

} // namespace ws
