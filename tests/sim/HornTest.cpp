// Horns of one, two and three parts and the bell as a listener follows them: which file
// each channel plays while the button is held and after it is let go, how long a release
// keeps the window waiting, and what the labels show.
#include "EngineFixture.h"

namespace ws::test {
namespace {

class HornTest : public EngineFixture {
protected:
    HornTest() {
        view.soundType = SoundTypeHorn;
        view.hornType = HornType2Part;
        std::filesystem::create_directories(setDir_ / "horn");
    }
    void press() { engine.BtHornMouseDown(); }
    // Lets go of the horn; returns how long the release kept the window waiting.
    int64_t release() {
        const int64_t before = view.now();
        engine.BtHornMouseUp();
        return view.now() - before;
    }
    // The volume written last to a channel at or before `time`.
    static int32_t volumeAt(const FakeChannel& channel, int64_t time) {
        int32_t v = 1;
        for (const auto& [at, value] : channel.volumes)
            if (at <= time)
                v = value;
        return v;
    }
};

TEST_F(HornTest, OnePartHornPlaysItsWholeFileHoweverBrieflyOrLongItIsHeld) {
    view.hornType = HornType1Part;
    file("horn.wav", 1500);

    // A click: the release returns once the whole file has played and the labels are clear.
    press();
    EXPECT_EQ(view.soundSelects, 1) << "the folder is classified again at every press";
    EXPECT_EQ(view.ch2().heard(), "horn.wav");
    EXPECT_FALSE(view.ch2().Loop());
    EXPECT_EQ(view.label2, "horn.wav");
    EXPECT_EQ(view.label3, DurationText(1500));
    view.advance(100);
    EXPECT_GE(release(), 1400);
    EXPECT_EQ(view.label2, "  ");
    EXPECT_EQ(view.label3, "  ");
    EXPECT_FALSE(view.progressVisible);
    EXPECT_EQ(view.ch2().FileName(), "") << "closed after the hand-over";
    EXPECT_FALSE(state().Playing) << "a 1-part horn leaves Playing alone";

    // Held past its end: the file has ended and stopped by itself when the hand-over looks;
    // the release must come at once, not wait for a hand-over that never comes.
    press();
    view.advance(4000);
    EXPECT_EQ(view.label2, "  ");
    EXPECT_EQ(release(), 0);
    EXPECT_EQ(view.ch2().playedFiles(), (Names{"horn.wav", "horn.wav"}));
}

TEST_F(HornTest, TwoPartHornLoopsWhileHeldAndFadesOutOnRelease) {
    file("horn_start.wav", 1000);
    file("horn_loop.wav", 2000);
    // A short press: the release waits for the loop to take over 130 ms before the start
    // file's end, then fades both out in ten 20 ms steps.
    press();
    EXPECT_TRUE(state().Playing);
    EXPECT_EQ(view.ch2().heard(), "horn_start.wav");
    EXPECT_EQ(state().Gain2, 1.0f);
    view.advance(200);
    release();
    EXPECT_EQ(view.ch1().playAt(0).file, "horn_loop.wav");
    EXPECT_EQ(view.ch1().playAt(0).at, 870);
    EXPECT_TRUE(view.ch1().playAt(0).loop);
    EXPECT_GE(view.now(), 870 + 10 * 20);
    EXPECT_FALSE(state().Playing);
    EXPECT_EQ(view.ch1().FileName(), "");
    EXPECT_EQ(view.ch2().FileName(), "");
    EXPECT_EQ(state().Gain1, 1.0f);
    EXPECT_EQ(view.label2, " ");

    // Held for seconds: the loop runs at full level until the release fades it.
    press();
    view.advance(5000);
    EXPECT_EQ(view.ch1().heard(), "horn_loop.wav");
    EXPECT_EQ(view.fader1, 100);
    EXPECT_EQ(view.label2, "horn_loop.wav");
    EXPECT_EQ(view.label3, "  ");
    const int64_t letGo = view.now();
    EXPECT_EQ(release(), 10 * 20);
    EXPECT_LT(volumeAt(view.ch1(), letGo + 100), volumeAt(view.ch1(), letGo));
    EXPECT_EQ(view.ch1().heard(), "");

    // A start file that is missing plays nothing, and its release does not wait.
    std::filesystem::remove(setDir_ / "horn_start.wav");
    press();
    EXPECT_EQ(view.ch2().heard(), "");
    EXPECT_LE(release(), 10 * 20);
}

TEST_F(HornTest, ThreePartHornPlaysItsStopFileOverTheFadingLoop) {
    view.hornType = HornType3Part;
    file("horn/start.wav", 800);
    file("horn/idle 1.wav", 2000);
    file("horn/stop.wav", 1200);

    press();
    view.advance(3000);
    EXPECT_EQ(view.ch1().heard(), "idle 1.wav");
    EXPECT_EQ(view.label2, "idle 1.wav");
    const int64_t letGo = view.now();
    EXPECT_GE(release(), 1200) << "the release blocks for the stop file's length";
    EXPECT_EQ(view.ch2().lastPlay().file, "stop.wav");
    EXPECT_EQ(view.ch2().lastPlay().at, letGo);
    EXPECT_EQ(view.ch1().lastEvent().second, "close idle 1.wav");
    EXPECT_LT(view.ch1().lastEvent().first, letGo + 200) << "the loop fades under the stop file";
    EXPECT_EQ(view.label2, "   ");
    EXPECT_EQ(view.label3, "   ");
    EXPECT_TRUE(state().Playing) << "until the next press resets it";

    // The next press classifies again, which stops what is left and starts afresh.
    press();
    EXPECT_EQ(view.soundSelects, 2);
    EXPECT_EQ(view.ch2().heard(), "start.wav");

    // Without its stop file the horn still ends: the loop fades out, and the status line
    // names the missing file.
    view.advance(3000);
    std::filesystem::remove(setDir_ / "horn" / "stop.wav");
    release();
    EXPECT_EQ(view.ch1().heard(), "");
    EXPECT_EQ(view.ch2().heard(), "");
    EXPECT_TRUE(view.status.contains("stop.wav")) << view.status.toStdString();
    EXPECT_TRUE(view.errorBoxes.empty());

    // One that cannot be played: its error, and the horn ends all the same.
    touch(setDir_ / "horn" / "stop.wav");
    view.files.erase((setDir_ / "horn" / "stop.wav").string());
    press();
    view.advance(3000);
    EXPECT_THROW(release(), std::runtime_error);
    view.advance(3000);
    EXPECT_EQ(view.ch1().heard() + view.ch2().heard(), "");
}

TEST_F(HornTest, BellLoopsOnlyWhileHeldAndOnlyForAHornSet) {
    file("horn_start.wav", 1000);
    file("horn_loop.wav", 2000);
    file("idle 1.wav", 700);
    engine.btBellMouseDown();
    view.advance(2000);
    EXPECT_EQ(view.ch2().heard(), "idle 1.wav");
    EXPECT_TRUE(view.ch2().Loop());
    EXPECT_EQ(view.label2, "idle 1.wav");
    engine.btBellMouseUp();
    EXPECT_EQ(view.ch2().FileName(), "");
    EXPECT_EQ(view.label2, "");
    EXPECT_EQ(view.label3, "");

    view.soundType = SoundTypeDiesel;
    engine.btBellMouseDown();
    EXPECT_EQ(view.ch2().plays.size(), 1u);
}

} // namespace
} // namespace ws::test
