// Resampling quality through the whole mix: tones played at other rates stay clean (SINAD
// against a fitted sine), content pushed above the device's Nyquist frequency is removed
// rather than folded back, and the device's own rate passes samples through unchanged.
#include "MixRig.h"
#include "SignalAnalysis.h"
#include "Signals.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace ws {
namespace {

using test::MixRig;
using test::sine;

// The left side of `frames` rendered float frames of a stereo device.
std::vector<double> left(MixRig& rig, std::size_t frames) {
    const std::vector<float> out = rig.renderFloat(frames);
    std::vector<double> l(frames);
    for (std::size_t i = 0; i < frames; ++i)
        l[i] = out[2 * i];
    return l;
}

TEST(Resampler, TonesStayCleanAtEveryPlaybackRate) {
    // A 44100 Hz buffer played from 0.7x to 1.18x its rate on a 44100 Hz device. The input
    // itself is 16-bit (about 97 dB at this level), so the mix must add very little.
    const double tones[] = {100, 250, 1000, 2500, 5000, 7500, 10000};
    const uint32_t rates[] = {30870, 33075, 39000, 44100, 46000, 48000, 50000, 52038};
    MixRig rig;
    for (double tone : tones) {
        auto b = rig.buffer16(sine(tone, 44100, 44100, 0.9), 1, 44100);
        for (uint32_t rate : rates) {
            ASSERT_EQ(b->stop(), DeviceResult::Ok);
            ASSERT_EQ(b->setCurrentPosition(0), DeviceResult::Ok);
            ASSERT_EQ(b->setFrequency(rate), DeviceResult::Ok);
            ASSERT_EQ(b->play(true), DeviceResult::Ok);
            auto out = left(rig, 8192 + 256);
            out.erase(out.begin(), out.begin() + 256); // the filter starting from silence
            const double sinad = test::sinadDb(out, tone * rate / 44100.0 / 44100.0);
            EXPECT_GE(sinad, 90.0) << tone << " Hz at " << rate << " Hz";
        }
    }
}

TEST(Resampler, ContentAboveTheDeviceNyquistIsRemovedNotFolded) {
    // 15 kHz played at twice its rate would sound at 30 kHz; a 22050 Hz device cannot carry
    // it, and folding would put it at 14.1 kHz. What is left must be far down.
    MixRig rig;
    auto b = rig.buffer16(sine(15000, 44100, 44100, 0.9), 1, 44100);
    ASSERT_EQ(b->setFrequency(88200), DeviceResult::Ok);
    ASSERT_EQ(b->play(true), DeviceResult::Ok);
    auto out = left(rig, 8192 + 512);
    out.erase(out.begin(), out.begin() + 512);
    double power = 0.0;
    for (double v : out)
        power += v * v;
    const double rms = std::sqrt(power / double(out.size()));
    EXPECT_LT(20.0 * std::log10(rms / (0.9 / std::sqrt(2.0))), -80.0);

    // The same buffer at a rate that keeps the tone below Nyquist passes at full level.
    ASSERT_EQ(b->stop(), DeviceResult::Ok);
    ASSERT_EQ(b->setFrequency(50000), DeviceResult::Ok);
    ASSERT_EQ(b->play(true), DeviceResult::Ok);
    out = left(rig, 8192 + 512);
    out.erase(out.begin(), out.begin() + 512);
    power = 0.0;
    for (double v : out)
        power += v * v;
    EXPECT_NEAR(std::sqrt(power / double(out.size())), 0.9 / std::sqrt(2.0), 0.01);
}

TEST(Resampler, VeryHighAndVeryLowRatiosStayStableAndBounded) {
    // From 100 Hz to 200000 Hz on an 8000 Hz device: no blow-up, no NaN, the cursor moves
    // by what was consumed.
    MixRig rig(8000);
    auto b = rig.buffer16(sine(440, 22050, 22050, 0.9), 1, 22050);
    for (uint32_t rate : {100u, 1000u, 96000u, 200000u}) {
        ASSERT_EQ(b->stop(), DeviceResult::Ok);
        ASSERT_EQ(b->setCurrentPosition(0), DeviceResult::Ok);
        ASSERT_EQ(b->setFrequency(rate), DeviceResult::Ok);
        ASSERT_EQ(b->play(true), DeviceResult::Ok);
        auto out = left(rig, 4000);
        for (double v : out) {
            ASSERT_TRUE(std::isfinite(v));
            ASSERT_LE(std::abs(v), 1.0);
        }
        uint32_t cursor = 0;
        ASSERT_EQ(b->currentPosition(&cursor), DeviceResult::Ok);
        const uint64_t expected = uint64_t(4000) * rate / 8000 % 22050;
        EXPECT_NEAR(double(cursor / 2), double(expected), 1.0) << rate;
    }
}

} // namespace
} // namespace ws
