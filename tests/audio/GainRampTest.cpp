// The gain laws in numbers, and the ramp's own smoothness measured on an exact tone (free
// of the 16-bit quantisation that limits the measurement through a buffer).
#include "audio/GainRamp.h"
#include "SignalAnalysis.h"

#include <gtest/gtest.h>

#include <cmath>

namespace ws {
namespace {

TEST(GainRamp, VolumeAndPanLawsInHundredthsOfADecibel) {
    EXPECT_EQ(volumeGain(0), 1.0f);
    EXPECT_EQ(volumeGain(-10000), 0.0f);
    EXPECT_NEAR(volumeGain(-2000), 0.1f, 1e-7);
    EXPECT_NEAR(volumeGain(-6000), 0.001f, 1e-9);
    EXPECT_NEAR(volumeGain(-9999), std::pow(10.0, -9999 / 2000.0), 1e-10);
    EXPECT_EQ(stereoGain(0, 0), (StereoGain{1.0f, 1.0f}));
    EXPECT_EQ(stereoGain(0, 10000), (StereoGain{0.0f, 1.0f}));
    EXPECT_EQ(stereoGain(0, -10000), (StereoGain{1.0f, 0.0f}));
    const StereoGain g = stereoGain(-600, 1000);
    EXPECT_NEAR(g.left, std::pow(10.0, -0.8), 1e-7);
    EXPECT_NEAR(g.right, std::pow(10.0, -0.3), 1e-7);
}

TEST(GainRamp, ReachesItsTargetExactlyAfterItsLength) {
    EXPECT_EQ(rampFrames(44100), 221u);
    EXPECT_EQ(rampFrames(48000), 240u);
    GainRamp r;
    r.snap({1.0f, 1.0f});
    r.retarget({0.0f, 0.25f}, 10);
    StereoGain last{};
    float previous = 1.0f;
    for (int i = 0; i < 10; ++i) {
        EXPECT_TRUE(r.ramping());
        last = r.next();
        EXPECT_LE(last.left, previous); // monotonic, no overshoot
        EXPECT_GE(last.left, 0.0f);
        previous = last.left;
    }
    EXPECT_EQ(last, (StereoGain{0.0f, 0.25f}));
    EXPECT_FALSE(r.ramping());
    EXPECT_EQ(r.next(), (StereoGain{0.0f, 0.25f}));

    // A new target in mid-ramp starts from where the gain stands, without a jump.
    r.retarget({1.0f, 1.0f}, 100);
    for (int i = 0; i < 50; ++i)
        last = r.next();
    const StereoGain mid = r.next();
    r.retarget({0.0f, 0.0f}, 100);
    const StereoGain after = r.next();
    EXPECT_NEAR(after.left, mid.left, 0.01f);
}

TEST(GainRamp, AFullScaleStepLeavesNoClick) {
    // 1 kHz at half scale, muted and restored through the ramp, in double precision.
    const double rate = 44100;
    const uint32_t len = rampFrames(44100);
    GainRamp r;
    r.snap({1.0f, 1.0f});
    std::vector<double> x;
    for (int i = 0; i < 44100; ++i) {
        if (i == 10000)
            r.retarget({0.0f, 0.0f}, len);
        if (i == 20000)
            r.retarget({1.0f, 1.0f}, len);
        if (i == 30000)
            r.retarget({0.3f, 0.3f}, len);
        x.push_back(0.5 * std::sin(2.0 * test::Pi * 1000.0 * i / rate) * r.next().left);
    }
    const double click = test::clickPeakDbfs(x, rate, 1000, 5000, 2000);
    EXPECT_LT(click, -110.0);
}

} // namespace
} // namespace ws
