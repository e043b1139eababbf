// The diesel engine as a listener follows it: which file each channel plays and when, from
// Start through throttle moves to Stop, with and without the optional start and stop sounds.
#include "EngineFixture.h"

namespace ws::test {
namespace {

class DieselTest : public EngineFixture {
protected:
    DieselTest() { view.soundType = SoundTypeDiesel; }

    // Idle loops of 3 s and transitions of 1 s, with the optional files asked for.
    void dieselSet(bool withStart, bool withStop) {
        for (int notch = 1; notch <= 8; ++notch)
            file(assetfile::idle(notch).toStdString(), 3000);
        for (int notch = 1; notch <= 7; ++notch) {
            file(assetfile::up(notch).toStdString(), 1000);
            file(assetfile::down(notch + 1).toStdString(), 1000);
        }
        if (withStart)
            file("start.wav", 2000);
        if (withStop)
            file("stop.wav", 1500);
    }
};

TEST_F(DieselTest, StartMovesAndStopPlayTheRecordedSoundsInTurn) {
    dieselSet(true, true);
    start();
    // The start sound plays alone, at full level; the hand-over is due 130 ms before its end.
    ASSERT_EQ(view.ch2().plays.size(), 1u);
    EXPECT_EQ(view.ch2().playAt(0).file, "start.wav");
    EXPECT_EQ(view.ch2().playAt(0).volume, 0);
    EXPECT_EQ(view.ch1().heard(), "");
    EXPECT_EQ(view.timer(1).Interval(), 1870);
    EXPECT_EQ(view.label2, "start.wav");
    EXPECT_EQ(view.label3, DurationText(2000));
    EXPECT_EQ(view.status, "Change speed/throttle with up/down keys.");

    // The idle loop fades in over the last of the start sound.
    view.advance(1870);
    EXPECT_EQ(view.ch1().log, (Log{{1870, "play idle 1.wav"}}));
    EXPECT_EQ(view.ch1().playAt(0).volume, -5000);
    EXPECT_TRUE(view.ch1().playAt(0).loop);
    EXPECT_EQ(view.ch2().log,
              (Log{{0, "play start.wav"}, {1960, "stop start.wav"}, {1960, "close start.wav"}}));
    EXPECT_EQ(view.ch1().Volume(), 0);
    EXPECT_EQ(view.label2, "idle 1.wav");
    EXPECT_EQ(view.label3, "   ");
    EXPECT_FALSE(view.progressVisible);

    // Notch 1 to notch 4 in one move: only the transition into notch 4, then its idle loop.
    view.advance(1040);
    moveThrottle(5);
    EXPECT_EQ(view.ch2().heard(), "up 3 - 4.wav");
    EXPECT_EQ(view.ch1().lastEvent(), (std::pair<int64_t, std::string>{3090, "close idle 1.wav"}));
    EXPECT_EQ(view.label2, "up 3 - 4.wav");
    view.advance(210);
    EXPECT_TRUE(view.progressVisible);
    EXPECT_EQ(view.progressMax, 1000);
    EXPECT_EQ(view.progressPosition, 200);
    view.advance(600);
    EXPECT_EQ(view.ch1().lastPlay().file, "idle 4.wav");
    EXPECT_EQ(view.ch1().lastPlay().at, 3870);

    // Two quick moves: the second transition replaces the first at once, at full level,
    // and only the final notch's idle loop follows.
    moveThrottle(4);
    view.advance(300);
    moveThrottle(3);
    EXPECT_EQ(view.ch2().lastPlay().file, "up 5 - 6.wav");
    EXPECT_EQ(view.ch2().lastPlay().volume, 0);
    view.advance(1000);
    EXPECT_EQ(view.ch1().playedFiles(), (Names{"idle 1.wav", "idle 4.wav", "idle 6.wav"}));
    EXPECT_EQ(view.ch2().playedFiles(),
              (Names{"start.wav", "up 3 - 4.wav", "up 4 - 5.wav", "up 5 - 6.wav"}));
    EXPECT_EQ(view.ch1().heard(), "idle 6.wav");

    // Stop: the stop sound over the idle loop, for the stop sound's whole length.
    const int64_t stopAt = view.now();
    stop();
    EXPECT_EQ(view.now(), stopAt + 1500);
    EXPECT_EQ(view.memo, QStringList{path("stop.wav")});
    EXPECT_EQ(view.ch2().lastPlay().file, "stop.wav");
    EXPECT_EQ(view.ch2().lastPlay().at, stopAt);
    EXPECT_EQ(view.ch2().lastPlay().volume, 0);
    EXPECT_EQ(view.ch1().lastEvent(),
              (std::pair<int64_t, std::string>{stopAt + 1500, "close idle 6.wav"}));
    EXPECT_EQ(view.ch1().FileName(), "");
    EXPECT_EQ(view.ch2().FileName(), "");
    EXPECT_EQ(view.label2, " ");
    EXPECT_EQ(view.label3, "   ");
    EXPECT_EQ(view.status, "");
    EXPECT_EQ(view.throttlePosition(), 8);
    EXPECT_FALSE(state().Playing);
    // The throttle's return to idle counts as a move but plays nothing.
    EXPECT_EQ(state().LastThrottle, 8);
    EXPECT_EQ(view.ch2().plays.size(), 5u);
}

TEST_F(DieselTest, WithoutStartOrStopFilesIdlePlaysAtOnceAndStopIsImmediate) {
    dieselSet(false, false);
    // Spelled on disk otherwise than the name looked for, as sets made on Windows may be.
    std::filesystem::remove(setDir_ / "up 6 - 7.wav");
    file("Up 6 - 7.WAV", 1000);
    // Before Start a move plays nothing but is remembered.
    moveThrottle(6);
    EXPECT_TRUE(view.ch2().plays.empty());
    EXPECT_EQ(state().LastThrottle, 6);

    start();
    EXPECT_EQ(view.ch1().log, (Log{{0, "play idle 1.wav"}}));
    EXPECT_EQ(view.ch1().playAt(0).volume, 0);
    EXPECT_TRUE(view.ch2().plays.empty());
    EXPECT_EQ(state().LastThrottle, 8);

    moveThrottle(2);
    view.advance(1000);
    moveThrottle(8); // six notches down: only the transition into notch 1
    EXPECT_EQ(view.ch2().playedFiles(), (Names{"Up 6 - 7.WAV", "down 2 - 1.wav"}));
    EXPECT_EQ(view.ch1().playedFiles(), (Names{"idle 1.wav", "idle 7.wav"}));

    // Stopped before the hand-over: silence at once, and no idle loop starts afterwards.
    view.advance(500);
    const int64_t stopAt = view.now();
    stop();
    EXPECT_EQ(view.now(), stopAt);
    EXPECT_EQ(view.ch2().lastEvent(),
              (std::pair<int64_t, std::string>{stopAt, "close down 2 - 1.wav"}));
    view.advance(5000);
    EXPECT_EQ(view.ch1().heard(), "");
    EXPECT_EQ(view.ch2().heard(), "");
    EXPECT_EQ(view.ch1().playedFiles(), (Names{"idle 1.wav", "idle 7.wav"}));
    EXPECT_FALSE(view.timer(1).Enabled()); // nothing is left waiting
}

TEST_F(DieselTest, AMoveWhileTheStartSoundPlaysReplacesItAndLeadsToTheNewNotch) {
    dieselSet(true, false);
    start();
    view.advance(500);
    moveThrottle(6);
    EXPECT_EQ(view.ch2().log, (Log{{0, "play start.wav"},
                                   {500, "stop start.wav"},
                                   {500, "close start.wav"},
                                   {500, "play up 2 - 3.wav"}}));
    EXPECT_EQ(view.ch2().lastPlay().volume, 0);
    EXPECT_TRUE(view.ch1().plays.empty());
    view.advance(1000);
    EXPECT_EQ(view.ch1().log, (Log{{1370, "play idle 3.wav"}}));
}

TEST_F(DieselTest, ASecondStartPlaysTheStartSoundAsAudiblyAsTheFirst) {
    dieselSet(true, false);
    start();
    view.advance(2000); // handed over to the idle loop: the start sound's gain is down
    stop();
    start();
    ASSERT_EQ(view.ch2().playedFiles(), (Names{"start.wav", "start.wav"}));
    EXPECT_EQ(view.ch2().playAt(1).volume, view.ch2().playAt(0).volume);
    EXPECT_EQ(view.ch2().playAt(1).volume, 0);
}

TEST_F(DieselTest, StartBeginsAtIdleWhateverPositionAnotherTypeLeftBehind) {
    dieselSet(false, false);
    moveThrottle(3); // remembered while nothing plays
    view.soundType = SoundTypeSteam1;
    start(); // back to position 8, which only the diesel would have noticed
    view.soundType = SoundTypeDiesel;
    start();
    moveThrottle(7); // one notch up
    view.advance(1000);
    EXPECT_EQ(view.ch2().playedFiles(), (Names{"up 1 - 2.wav"}));
    EXPECT_EQ(view.ch1().playedFiles(), (Names{"idle 1.wav", "idle 2.wav"}));
}

TEST_F(DieselTest, ATransitionThatHasEndedBeforeItsHandOverHandsOverAtOnce) {
    dieselSet(false, false);
    file("up 1 - 2.wav", 100); // no longer than the hand-over's lead
    start();
    moveThrottle(7);
    EXPECT_EQ(view.timer(1).Interval(), 100);
    view.advance(1000);
    EXPECT_EQ(view.ch1().log, (Log{{0, "play idle 1.wav"},
                                   {90, "stop idle 1.wav"},
                                   {90, "close idle 1.wav"},
                                   {100, "play idle 2.wav"}}));
    EXPECT_EQ(view.ch1().heard(), "idle 2.wav");
    EXPECT_FALSE(view.timer(1).Enabled());
}

TEST_F(DieselTest, StartGoesOnWhenTheThrottleCannotTakeTheFocus) {
    dieselSet(false, false);
    view.focusable = false;
    start();
    EXPECT_TRUE(state().Playing);
    EXPECT_EQ(view.ch1().heard(), "idle 1.wav");
    EXPECT_EQ(view.focused, 0);
}

TEST_F(DieselTest, StopEndsTheEngineInsideAnotherHandlerAndWithAStopSoundThatCannotPlay) {
    dieselSet(true, false);
    touch(setDir_ / "stop.wav"); // there, but not a file the channel can play
    const std::vector<std::string> stopError{"cannot open " + path("stop.wav").toStdString()};
    // Up and Stop, clicked while Start was busy, are handled inside its transition.
    view.post([this] { moveThrottle(7); });
    view.post([this] { stop(); });
    start();
    view.advance(5000);
    EXPECT_EQ(view.errorBoxes, stopError);
    EXPECT_FALSE(state().Playing || view.timer(1).Enabled());
    EXPECT_NO_THROW(stop()) << "the error is told once";

    start();
    view.advance(3000);
    EXPECT_THROW(stop(), std::runtime_error);
    view.advance(3000);
    EXPECT_EQ(view.ch1().heard() + view.ch2().heard(), "");
    EXPECT_EQ(view.label2, " ");
}

} // namespace
} // namespace ws::test
