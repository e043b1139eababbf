// Volume and pan laws and the gain ramp.
#include "GainRamp.h"

#include "SoundDevice.h"

#include <cmath>

namespace ws {

float volumeGain(int32_t hundredthsDb) {
    if (hundredthsDb <= VolumeMin)
        return 0.0f;
    if (hundredthsDb >= 0)
        return 1.0f;
    return static_cast<float>(std::pow(10.0, hundredthsDb / 2000.0));
}

StereoGain stereoGain(int32_t volume, int32_t pan) {
    const float g = volumeGain(volume);
    StereoGain out{g, g};
    if (pan > 0)
        out.left = g * volumeGain(-pan);
    else if (pan < 0)
        out.right = g * volumeGain(pan);
    return out;
}

float rampShape(float t) {
    if (t <= 0.0f)
        return 0.0f;
    if (t >= 1.0f)
        return 1.0f;
    // The running integral of a Blackman window: flat at both ends and with sidelobes low
    // enough that even a full-scale mute leaves nothing audible away from the signal (a
    // raised cosine leaves about 30 dB more).
    constexpr float TwoPi = 6.28318530717959f;
    const float w = TwoPi * t;
    return (0.42f * t - 0.5f / TwoPi * std::sin(w) + 0.04f / TwoPi * std::sin(2.0f * w)) / 0.42f;
}

uint32_t rampFrames(uint32_t deviceRate) {
    const uint32_t n = (deviceRate + 100) / 200; // 5 ms
    return n < 1 ? 1 : n;
}

void GainRamp::snap(StereoGain g) {
    from_ = current_ = target_ = g;
    pos_ = length_ = 0;
}

void GainRamp::retarget(StereoGain g, uint32_t frames) {
    from_ = current_;
    target_ = g;
    pos_ = 0;
    length_ = frames;
    if (frames == 0)
        current_ = g;
}

} // namespace ws
