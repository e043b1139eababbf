// The electric engine: one loop whose loudness and pitch follow the throttle, from its very
// first sound at Start.
#include "EngineFixture.h"

namespace ws::test {
namespace {

class ElectricTest : public EngineFixture {
protected:
    ElectricTest() {
        view.soundType = SoundTypeElectric;
        file("engine_loop.wav", 2000, 44100);
    }
};

TEST_F(ElectricTest, LoudnessAndPitchFollowTheThrottleFromTheFirstSound) {
    start();
    // Idle gain and idle pitch from the first sample on (Volume1 at the top: full level).
    ASSERT_EQ(view.ch1().plays.size(), 1u);
    const FakeChannel::Play first = view.ch1().playAt(0);
    EXPECT_EQ(first.file, "engine_loop.wav");
    EXPECT_TRUE(first.loop);
    EXPECT_EQ(first.volume, -2812); // 2500 x 2 x 0.4375 = 2187.5, a tie, rounded to even
    EXPECT_EQ(first.frequency, 30870);
    EXPECT_EQ(view.label2, "engine_loop.wav");
    EXPECT_EQ(view.label1, "100");
    EXPECT_EQ(view.volumePosition(), 0);
    EXPECT_TRUE(state().Playing);

    struct Row {
        int position;
        int frequency;
        int volume; // at Volume1's top: round(5000 x gain) - 5000
        int fader;  // gain in percent
    };
    const Row table[] = {
        {7, 35280, -2500, 50}, {6, 39690, -2188, 56}, {5, 44100, -1875, 62}, {4, 46305, -1562, 69},
        {3, 48510, -1250, 75}, {2, 50274, -938, 81},  {1, 52038, -625, 88},  {8, 30870, -2812, 44},
    };
    for (const Row& row : table) {
        moveThrottle(row.position);
        EXPECT_EQ(view.ch1().rate(), row.frequency) << "position " << row.position;
        EXPECT_EQ(view.ch1().Volume(), row.volume) << "position " << row.position;
        EXPECT_EQ(view.ch2().Volume(), row.volume) << "position " << row.position;
        EXPECT_EQ(view.fader1, row.fader) << "position " << row.position;
        EXPECT_EQ(view.fader2, row.fader) << "position " << row.position;
    }
    EXPECT_EQ(view.ch1().plays.size(), 1u); // one loop from Start to Stop

    moveThrottle(3);
    stop();
    EXPECT_EQ(view.ch1().heard(), "");
    EXPECT_EQ(view.ch1().FileName(), path("engine_loop.wav").toStdString()); // stays open
    EXPECT_EQ(view.throttlePosition(), 8);
    EXPECT_EQ(view.ch1().rate(), 30870);
    EXPECT_FALSE(state().Playing);
}

} // namespace
} // namespace ws::test
