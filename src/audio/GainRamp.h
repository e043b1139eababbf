// The volume and pan laws of the sound buffers, and the ramp that spreads every change of
// gain over a few milliseconds so that no step is ever audible as a click.
//
// Volume and pan are in hundredths of a decibel. Volume v gives the gain 10^(v/2000), with
// VolumeMin as exact silence. Pan attenuates the opposite side only: a positive pan turns
// the left side down by pan/100 dB, a negative one the right side; +-10000 silences it.
//
// Threads: the laws are pure functions, safe from any thread. A GainRamp has no lock and
// belongs to one thread: a buffer's to the thread that mixes it. A stopped buffer's fade is
// worked out on a copy, taken once no mixing pass moves the original any more.
#pragma once

#include <cstdint>

namespace ws {

struct StereoGain {
    float left = 1.0f;
    float right = 1.0f;
    friend bool operator==(const StereoGain&, const StereoGain&) = default;
};

// 10^(hundredthsDb/2000); 0 for VolumeMin and below, exactly 1 for 0.
float volumeGain(int32_t hundredthsDb);
// The gains of the left and right output sides for a buffer's volume and pan.
StereoGain stereoGain(int32_t volume, int32_t pan);

// The ramp's shape: 0 at t = 0, 1 at t = 1, with flat ends so that the gain curve has no
// corner where a ramp starts or stops (a corner spreads energy far from the signal).
float rampShape(float t);

// Length of a gain ramp in output frames at the given device rate (about 5 ms).
uint32_t rampFrames(uint32_t deviceRate);

// Per-sample gain state of one buffer. A new target starts a ramp from wherever the gain
// stands now; the state lives across output callbacks, so where a callback boundary falls
// changes nothing.
class GainRamp {
public:
    // Jumps to `g` at once (a buffer that starts playing has nothing to ramp from).
    void snap(StereoGain g);
    // Ramps from the present gain to `g` over `frames` output frames.
    void retarget(StereoGain g, uint32_t frames);
    bool ramping() const { return pos_ < length_; }
    // The gain for the next output frame (advances the ramp).
    StereoGain next() {
        if (pos_ >= length_)
            return target_;
        ++pos_;
        if (pos_ == length_) {
            current_ = target_;
            return target_;
        }
        const float s = rampShape(static_cast<float>(pos_) / static_cast<float>(length_));
        current_.left = from_.left + (target_.left - from_.left) * s;
        current_.right = from_.right + (target_.right - from_.right) * s;
        return current_;
    }
    StereoGain target() const { return target_; }
    StereoGain current() const { return current_; }

private:
    StereoGain from_;
    StereoGain current_;
    StereoGain target_;
    uint32_t pos_ = 0;
    uint32_t length_ = 0;
};

} // namespace ws
