// The check that the device tests put on a sink's recording: it forgives a sound server that
// drops the head of a new stream, up to one device period, and nothing else.
#include "Signals.h"

#include <gtest/gtest.h>

using namespace ws::test;

TEST(RecordingCheckTest, ForgivesOnlyALostHeadOfAtMostOnePeriod) {
    const std::vector<int16_t> file = noise(2 * 20000, 3, 16000);
    const auto recording = [&](std::size_t lost, std::size_t silenceBefore) {
        std::vector<int16_t> r(2 * silenceBefore, 0);
        r.insert(r.end(), file.begin() + 2 * lost, file.end());
        r.resize(r.size() + 2 * 500, 0);
        return r;
    };

    for (const std::size_t lost : {0u, 256u, 1024u}) {
        const auto heard = heardFrom(recording(lost, 300), file, 1024);
        ASSERT_TRUE(heard) << lost;
        EXPECT_EQ(heard->at, 300u);
        EXPECT_EQ(heard->leadIn, lost);
        EXPECT_EQ(heard->leadIn + heard->frames, 20000u);
    }
    EXPECT_FALSE(heardFrom(recording(1025, 300), file, 1024)) << "more than one period lost";
    EXPECT_FALSE(heardFrom(std::vector<int16_t>(40000, 0), file, 1024)) << "a silent sink";

    std::vector<int16_t> gap = recording(256, 300);
    gap.erase(gap.begin() + 2 * 5000, gap.begin() + 2 * 5001);
    EXPECT_LT(heardFrom(gap, file, 1024)->frames, 20000u - 256) << "a frame lost in the middle";

    std::vector<int16_t> scaled = recording(0, 300);
    for (auto& v : scaled)
        v = static_cast<int16_t>(v / 2);
    EXPECT_FALSE(heardFrom(scaled, file, 1024)) << "a scaled stream";

    std::vector<int16_t> resampled(2 * 300, 0);
    for (std::size_t i = 0; i + 1 < 19000; ++i) {
        // Linear interpolation at 44100 -> 48000, as a server that resamples would.
        const double at = double(i) * 44100.0 / 48000.0;
        const std::size_t f = static_cast<std::size_t>(at);
        const double t = at - double(f);
        for (int c = 0; c < 2; ++c)
            resampled.push_back(static_cast<int16_t>((1 - t) * file[2 * f + std::size_t(c)] +
                                                     t * file[2 * (f + 1) + std::size_t(c)]));
    }
    EXPECT_FALSE(heardFrom(resampled, file, 1024)) << "a resampled stream";
}
