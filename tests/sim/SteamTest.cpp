// The steam engines as a listener follows them: the hiss at standstill, exhaust beats at a
// rate set by the throttle, the running loops and their pitch, and the stationary sounds
// when the engine comes to a stand, all on the fake clock.
#include "EngineFixture.h"

namespace ws::test {
namespace {

class SteamTest : public EngineFixture {
protected:
    // Beats of 100 ms, loops and stationary sounds long enough to loop.
    void steamSet() {
        for (int beat = 1; beat <= 4; ++beat)
            file(assetfile::pistonStroke(beat).toStdString(), 100);
        file("smoke_stack_hiss.wav", 3000);
        file("loco_stationary_fast.wav", 4000);
        file("loco_stationary_med.wav", 4000);
        file("loco_stationary_slow.wav", 4000);
    }
    void steam1Set() {
        view.soundType = SoundTypeSteam1;
        steamSet();
        file("steam_loop.wav", 2000, 32000);
    }
    // Runs fake time up to the next tick of a step timer, and that tick.
    void nextStep(int timer) {
        auto& t = static_cast<FakeTimer&>(view.timer(timer));
        ASSERT_TRUE(t.Enabled());
        view.advance(t.due() - view.now());
    }
    // Every start of playback on a channel from `from` on, with its time.
    static Log playsSince(const FakeChannel& ch, int64_t from) {
        Log plays;
        for (const FakeChannel::Play& p : ch.plays)
            if (p.at >= from)
                plays.emplace_back(p.at, p.file);
        return plays;
    }
};

TEST_F(SteamTest, Steam1FollowsTheThrottleFromHissThroughBeatsToLoopAndBackToStand) {
    steam1Set();
    start();
    EXPECT_EQ(view.ch1().log, (Log{{0, "play smoke_stack_hiss.wav"}}));
    EXPECT_TRUE(view.ch1().lastPlay().loop);
    EXPECT_EQ(view.ch1().lastPlay().volume, 0);
    EXPECT_EQ(view.timer(2).Interval(), 500);
    EXPECT_EQ(view.status, "Change speed/throttle with up/down keys.");
    EXPECT_EQ(view.throttleMax, 8);
    view.advance(1000); // standing: nothing changes
    EXPECT_EQ(view.ch1().plays.size(), 1u);
    EXPECT_TRUE(view.ch2().plays.empty());

    struct Row {
        int position, interval;
        const char* ch1; // heard after the step
        bool beat;
    };
    const Row rows[] = {{7, 600, "", true},
                        {6, 500, "", true},
                        {5, 375, "", true},
                        {4, 250, "", true},
                        {3, 400, "steam_loop.wav", false},
                        {2, 400, "steam_loop.wav", false},
                        {1, 400, "steam_loop.wav", false}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.position);
        moveThrottle(row.position);
        // A step: one beat per step at positions 4 to 7, none in the loop positions.
        const std::size_t beatsBefore = view.ch2().plays.size();
        nextStep(2);
        EXPECT_EQ(view.timer(2).Interval(), row.interval);
        EXPECT_EQ(view.ch1().heard(), row.ch1);
        EXPECT_EQ(view.ch2().plays.size(), beatsBefore + (row.beat ? 1 : 0));
        EXPECT_EQ(state().LastSteamPosition, row.position);
        // Every step counts a beat, so the beats cycle through the four files.
        if (row.beat) {
            EXPECT_EQ(view.ch2().lastPlay().file,
                      assetfile::pistonStroke(state().PistonStroke).toStdString());
        }
        // Two more steps keep the rate.
        nextStep(2);
        nextStep(2);
        EXPECT_EQ(view.ch2().plays.size(), beatsBefore + (row.beat ? 3 : 0));
    }
    EXPECT_EQ(view.ch2().heard(), "");
    // The loop opened once, at position 3, and rises in pitch above it.
    EXPECT_EQ(view.ch1().playedFiles(), (Names{"smoke_stack_hiss.wav", "steam_loop.wav"}));
    EXPECT_EQ(view.ch1().rate(), 41600); // 1.3 x 32000
    EXPECT_EQ(view.label2, "steam_loop.wav");

    // Straight down from the loop: the three stationary sounds, ten seconds each; after the
    // slow one nothing more starts.
    moveThrottle(8);
    nextStep(2);
    const int64_t stand = view.now();
    view.advance(35000);
    EXPECT_EQ(playsSince(view.ch1(), stand), (Log{{stand, "loco_stationary_fast.wav"},
                                                  {stand + 10000, "loco_stationary_med.wav"},
                                                  {stand + 20000, "loco_stationary_slow.wav"}}));
    EXPECT_EQ(view.ch1().heard(), "loco_stationary_slow.wav");
    EXPECT_TRUE(view.errorBoxes.empty());
}

TEST_F(SteamTest, Steam1FromBeatsToStandPlaysTheStationarySoundsAndThenTheHiss) {
    steam1Set();
    start();
    moveThrottle(5);
    nextStep(2);
    moveThrottle(8);
    nextStep(2);
    const int64_t stand = view.now();
    EXPECT_EQ(view.timer(2).Interval(), 10000);
    EXPECT_EQ(view.label2, "loco_stationary_fast.wav");
    view.advance(31000);
    EXPECT_EQ(playsSince(view.ch1(), stand), (Log{{stand, "loco_stationary_fast.wav"},
                                                  {stand + 10000, "loco_stationary_med.wav"},
                                                  {stand + 20000, "loco_stationary_slow.wav"},
                                                  {stand + 30000, "smoke_stack_hiss.wav"}}));
    EXPECT_TRUE(view.ch1().lastPlay().loop);
    EXPECT_EQ(view.timer(2).Interval(), 500);
    EXPECT_EQ(state().LastSteamPosition, 8);

    stop();
    EXPECT_FALSE(view.timer(2).Enabled());
    EXPECT_EQ(view.ch1().FileName(), "");
    view.advance(5000);
    EXPECT_EQ(view.ch1().heard(), "");
}

TEST_F(SteamTest, Steam1PlaysAtItsOwnLevelAndPitchWhateverCameBefore) {
    steam1Set();
    // As a diesel run without a stop sound leaves them: beats on Channel2 would be silent
    // and the loop pitched from another file's rate.
    state().Gain2 = 0.0f;
    state().BaseRate = 48000;
    start();
    moveThrottle(5);
    nextStep(2);
    EXPECT_EQ(view.ch2().lastPlay().volume, 0);
    moveThrottle(3);
    nextStep(2);
    EXPECT_EQ(view.ch1().heard(), "steam_loop.wav");
    EXPECT_EQ(view.ch1().rate(), 32000);

    // Throttle opened from the stand between two steps: the hiss gives way to the loop,
    // which starts at its pitch.
    stop();
    start();
    moveThrottle(2);
    nextStep(2);
    EXPECT_EQ(view.ch1().heard(), "steam_loop.wav");
    EXPECT_EQ(view.ch1().lastPlay().file, "steam_loop.wav");
    EXPECT_EQ(view.ch1().lastPlay().frequency, 36800); // 1.15 x 32000
}

TEST_F(SteamTest, MissingFilesAreNamedOnceAndTheEngineGoesOn) {
    steam1Set();
    std::filesystem::remove(setDir_ / "piston_stroke3.wav");
    std::filesystem::remove(setDir_ / "loco_stationary_med.wav");
    start();
    moveThrottle(4);
    view.advance(4000);
    EXPECT_EQ(view.status, "File \"piston_stroke3.wav\" not found.");
    view.status.clear();
    view.advance(2000);
    EXPECT_EQ(view.status, ""); // said once
    const Names beats = view.ch2().playedFiles();
    ASSERT_GE(beats.size(), 12u);
    EXPECT_EQ(std::count(beats.begin(), beats.end(), "piston_stroke3.wav"), 0);
    EXPECT_EQ(std::count(beats.begin(), beats.end(), "piston_stroke4.wav"), 6);

    moveThrottle(8);
    nextStep(2);
    const int64_t stand = view.now();
    view.advance(15000);
    EXPECT_EQ(view.status, "File \"loco_stationary_med.wav\" not found.");
    EXPECT_EQ(view.ch1().heard(), "loco_stationary_fast.wav"); // plays on meanwhile
    view.advance(20000);
    EXPECT_EQ(playsSince(view.ch1(), stand), (Log{{stand, "loco_stationary_fast.wav"},
                                                  {stand + 20000, "loco_stationary_slow.wav"},
                                                  {stand + 30000, "smoke_stack_hiss.wav"}}));
    EXPECT_TRUE(view.errorBoxes.empty());
}

TEST_F(SteamTest, AFileThatCannotBePlayedShowsItsErrorOnceAndStopAndStartStillWork) {
    steam1Set();
    view.files.erase((setDir_ / "piston_stroke2.wav").string()); // there, but unplayable
    start();
    moveThrottle(4);
    view.advance(10000);
    EXPECT_EQ(view.errorBoxes.size(), 1u);
    EXPECT_TRUE(state().Playing);
    stop();
    EXPECT_FALSE(state().Playing);
    start();
    EXPECT_EQ(view.ch1().heard(), "smoke_stack_hiss.wav");
    view.advance(2000);
    EXPECT_EQ(view.errorBoxes.size(), 1u);
}

TEST_F(SteamTest, MakeFileListListsTheRpmOfEachLoopFileAscending) {
    for (const char* name :
         {"steam_loop_240rpm.wav", "steam_loop_60rpm.wav", "steam_loop_120rpm.wav",
          "steam_loop_90rpm.wav", "steam_loop_90rpm_b.wav", "steam_loop_1000rpm.wav",
          "steam_loop_060rpm.wav", "STEAM_LOOP_30RPM.WAV", "steam_loop_301rpm.wav",
          "steam_loop_.wav", "steam_loop_50rpm.txt", "steam_loop.wav", "piston_stroke1.wav"})
        file(name, 1000);
    view.setThrottlePosition(5);
    engine.MakeFileList(engine.state().AssetFolder);
    // "1000" counts as 100 (three characters); a leading zero, 301 and no digits give no
    // number, and their slots stay 0 at the end.
    EXPECT_EQ(state().RpmList, (QVector<int>{30, 60, 90, 90, 100, 120, 240, 0, 0, 0}));
    EXPECT_EQ(view.throttleMin, 1);
    EXPECT_EQ(view.throttleMax, 300);
    EXPECT_EQ(view.throttlePosition(), 300);
    EXPECT_EQ(view.throttleTicks, 30);

    // A second folder is listed on its own.
    TempDir other;
    touch(other.path() / "steam_loop_75rpm.wav");
    engine.MakeFileList(qpath(other.path()) + '/');
    EXPECT_EQ(state().RpmList, (QVector<int>{75}));
}

class Steam2Test : public SteamTest {
protected:
    Steam2Test() {
        view.soundType = SoundTypeSteam2;
        steamSet();
    }
    void speed(int s) { moveThrottle(300 - s); }
};

TEST_F(Steam2Test, BeatsAndLoopsFollowTheSpeedAndTheLoopStopsAtAStand) {
    file("steam_loop_60rpm.wav", 2000, 22050);
    file("steam_loop_120rpm.wav", 2000, 22050);
    file("Steam_Loop_240RPM.WAV", 2000, 22050); // found whatever its letter case
    start();
    EXPECT_EQ(state().RpmList, (QVector<int>{60, 120, 240}));
    EXPECT_EQ(view.ch1().heard(), "smoke_stack_hiss.wav");
    EXPECT_EQ(view.timer(4).Interval(), 500);

    speed(6);
    nextStep(4);
    EXPECT_EQ(view.ch2().heard(), "piston_stroke2.wav");
    EXPECT_EQ(view.ch1().heard(), "");
    EXPECT_EQ(view.timer(4).Interval(), 1333);
    speed(29);
    nextStep(4);
    EXPECT_EQ(view.timer(4).Interval(), 275);

    // 90 is as far from 60 as from 120: the lower one. No loop is current yet, so the beat
    // keeps its pitch.
    speed(90);
    EXPECT_EQ(view.ch2().Frequency(), 0);
    view.advance(400);
    EXPECT_EQ(view.ch2().heard(), "steam_loop_60rpm.wav");
    EXPECT_TRUE(view.ch2().lastPlay().loop);
    EXPECT_EQ(view.ch1().FileName(), "");
    EXPECT_EQ(view.label2, "steam_loop_60rpm.wav");
    EXPECT_FALSE(view.timer(4).Enabled()); // the next step waits for the throttle

    // The next loop takes the other channel; then the pitch follows the speed.
    speed(130);
    view.advance(400);
    EXPECT_EQ(view.ch1().heard(), "steam_loop_120rpm.wav");
    EXPECT_EQ(view.ch2().FileName(), "");
    speed(150);
    EXPECT_EQ(view.ch1().rate(), 27562); // 22050 x 150 div 120
    EXPECT_EQ(view.ch2().Frequency(), 27562);
    view.advance(400);
    EXPECT_EQ(view.ch1().plays.size(), 2u); // 120 rpm stays nearest
    speed(240);
    view.advance(400);
    EXPECT_EQ(view.ch2().heard(), "Steam_Loop_240RPM.WAV");

    // At a stand the loop ends and the engine settles as after beats.
    speed(0);
    view.advance(400);
    const int64_t stand = view.now();
    EXPECT_EQ(view.ch2().heard(), "");
    EXPECT_EQ(view.ch1().heard(), "loco_stationary_fast.wav");
    view.advance(31000);
    EXPECT_EQ(playsSince(view.ch1(), stand), (Log{{stand, "loco_stationary_fast.wav"},
                                                  {stand + 10000, "loco_stationary_med.wav"},
                                                  {stand + 20000, "loco_stationary_slow.wav"},
                                                  {stand + 30000, "smoke_stack_hiss.wav"}}));
    EXPECT_EQ(view.ch2().heard(), "");
    EXPECT_TRUE(view.errorBoxes.empty());
}

TEST_F(Steam2Test, ALoopThatCannotBeFoundLeavesTheEngineAsItPlays) {
    file("steam_loop_060rpm.wav", 2000); // gives no rpm: its slot is 0
    start();
    EXPECT_EQ(state().RpmList, (QVector<int>{0}));
    speed(100);
    view.advance(400);
    EXPECT_EQ(view.status, "File \"steam_loop_0rpm.wav\" not found.");
    EXPECT_EQ(view.ch1().heard(), "smoke_stack_hiss.wav");
    EXPECT_EQ(view.ch1().Volume(), 0);
    EXPECT_EQ(state().RpmIndex, -1);

    // No loop files at all: nothing to choose, nothing said, the hiss goes on.
    stop();
    std::filesystem::remove(setDir_ / "steam_loop_060rpm.wav");
    start();
    EXPECT_TRUE(state().RpmList.isEmpty());
    speed(100);
    view.advance(400);
    speed(120);
    view.advance(400);
    EXPECT_EQ(view.ch1().heard(), "smoke_stack_hiss.wav");
    EXPECT_EQ(view.ch1().Volume(), 0);
    EXPECT_EQ(view.status, "Change speed/throttle with up/down keys.");
    EXPECT_TRUE(view.errorBoxes.empty());

    // A loop that cannot be played: the one sounding fades out only under the next good one.
    stop();
    file("steam_loop_60rpm.wav", 2000);
    touch(setDir_ / "steam_loop_120rpm.wav");
    file("steam_loop_240rpm.wav", 2000);
    start();
    for (const int s : {60, 120, 240}) {
        speed(s);
        view.advance(400);
    }
    EXPECT_EQ(view.errorBoxes.size(), 1u);
    EXPECT_EQ(view.ch1().heard(), "steam_loop_240rpm.wav");
}

} // namespace
} // namespace ws::test
