// What every sound type shares: the volume rule, the length text, the transition player's
// hand-over timing, the two cross-fades step by step, the fade-out, and Stop with nothing
// playing.
#include "EngineFixture.h"

#include <QLocale>

namespace ws::test {
namespace {

using Volumes = std::vector<std::pair<int64_t, int32_t>>;

class EngineSoundTest : public EngineFixture {};

TEST_F(EngineSoundTest, TheVolumeSliderAndEachChannelsGainGiveItsAttenuation) {
    state().Gain1 = 1.0f;
    state().Gain2 = 0.5f;
    view.setVolumePosition(50);
    EXPECT_EQ(view.ch1().Volume(), -753);
    EXPECT_EQ(view.ch2().Volume(), -2876);
    EXPECT_EQ(view.label1, "50");
    view.setVolumePosition(0);
    EXPECT_EQ(view.ch1().Volume(), 0);
    EXPECT_EQ(view.ch2().Volume(), -2500);
    EXPECT_EQ(view.fader1, 100);
    EXPECT_EQ(view.fader2, 50);
    EXPECT_EQ(view.label1, "100");
    view.setVolumePosition(99);
    EXPECT_EQ(view.ch1().Volume(), -5000);
    EXPECT_EQ(view.ch2().Volume(), -5000);
    EXPECT_EQ(view.label1, "1");

    view.setVolumePosition(0);
    state().Gain1 = 0.4375f; // 2187.5: the tie goes to the even 2188
    state().Gain2 = 0.0f;
    engine.Volume1Change();
    EXPECT_EQ(view.ch1().Volume(), -2812);
    EXPECT_EQ(view.ch2().Volume(), -5000);
    EXPECT_EQ(view.fader1, 44);
    EXPECT_EQ(view.fader2, 0);
}

TEST_F(EngineSoundTest, LengthsAreSecondsWithThreeDecimalsToFiveSignificantDigits) {
    const QString point = QLocale().decimalPoint();
    EXPECT_EQ(DurationText(2345), "2" + point + "345 sec");
    EXPECT_EQ(DurationText(500), "0" + point + "500 sec");
    EXPECT_EQ(DurationText(61001), "61" + point + "001 sec");
    EXPECT_EQ(DurationText(123456), "123" + point + "460 sec");
}

TEST_F(EngineSoundTest, TheHandOverIsDue130MsBeforeATransitionEnds) {
    file("a.wav", 100);
    file("b.wav", 130);
    file("c.wav", 131);
    file("d.wav", 5000);
    engine.PlayRamp(path("d.wav")); // nothing plays before Start
    EXPECT_TRUE(view.ch2().plays.empty());
    EXPECT_FALSE(view.timer(1).Enabled());

    state().Playing = true;
    const std::pair<const char*, int> cases[] = {
        {"a.wav", 100}, {"b.wav", 130}, {"c.wav", 1}, {"d.wav", 4870}};
    for (const auto& [name, interval] : cases) {
        engine.PlayRamp(path(name));
        EXPECT_EQ(view.timer(1).Interval(), interval) << name;
        EXPECT_TRUE(view.timer(1).Enabled()) << name;
        EXPECT_EQ(view.ch2().heard(), name);
        EXPECT_EQ(view.label2, name);
    }
    EXPECT_EQ(view.label3, DurationText(5000));
    EXPECT_TRUE(view.timer(3).Enabled());
}

TEST_F(EngineSoundTest, CrossFadesRaiseOneChannelAndLowerTheOtherInEighteen5MsSteps) {
    file("loop.wav", 3000);
    file("ramp.wav", 1000, 22050);
    file("next.wav", 3000, 32000);
    // A loop on Channel1 at full level.
    state().Gain1 = 1.0f;
    view.ch1().setFileName(path("loop.wav").toStdString());
    view.ch1().play();
    view.clock.now = 1000;
    view.ch1().volumes.clear();

    engine.CrossFade12(path("ramp.wav"), false);
    // Channel2 opens silent, then rises 0.1 a step to full at step 9; Channel1 falls 0.1 a
    // step from step 5 and is silent from step 14; then it is closed.
    const Volumes in{{1000, -5000}, {1000, -4500}, {1005, -4000}, {1010, -3500}, {1015, -3000},
                     {1020, -2500}, {1025, -2000}, {1030, -1500}, {1035, -1000}, {1040, -500},
                     {1045, 0},     {1050, 0},     {1055, 0},     {1060, 0},     {1065, 0},
                     {1070, 0},     {1075, 0},     {1080, 0},     {1085, 0}};
    const Volumes out{{1000, 0},     {1000, 0},     {1005, 0},     {1010, 0},     {1015, 0},
                      {1020, 0},     {1025, -500},  {1030, -1000}, {1035, -1500}, {1040, -2000},
                      {1045, -2500}, {1050, -3000}, {1055, -3500}, {1060, -4000}, {1065, -4500},
                      {1070, -5000}, {1075, -5000}, {1080, -5000}, {1085, -5000}};
    EXPECT_EQ(view.ch2().volumes, in);
    EXPECT_EQ(view.ch1().volumes, out);
    EXPECT_EQ(view.ch2().log, (Log{{1000, "play ramp.wav"}}));
    EXPECT_EQ(view.ch1().lastEvent(), (std::pair<int64_t, std::string>{1090, "close loop.wav"}));
    EXPECT_FALSE(view.ch2().playAt(0).loop);
    EXPECT_EQ(state().Gain2, 1.0f);
    EXPECT_EQ(state().Gain1, 0.0f);
    EXPECT_EQ(state().BaseRate, 22050);

    // The mirror image, always looping, and the progress display stops.
    view.ch1().volumes.clear();
    view.ch2().volumes.clear();
    view.timer(3).setEnabled(true);
    view.progressVisible = true;
    engine.CrossFade21(path("next.wav"));
    auto mirrored = [](Volumes v, int64_t shift) {
        for (auto& entry : v)
            entry.first += shift;
        return v;
    };
    EXPECT_EQ(view.ch1().volumes, mirrored(in, 90));
    EXPECT_EQ(view.ch2().volumes, mirrored(out, 90));
    EXPECT_TRUE(view.ch1().lastPlay().loop);
    EXPECT_EQ(view.ch2().lastEvent(), (std::pair<int64_t, std::string>{1180, "close ramp.wav"}));
    EXPECT_EQ(state().BaseRate, 32000);
    EXPECT_FALSE(view.timer(3).Enabled());
    EXPECT_FALSE(view.progressVisible);

    // A missing file only silences the incoming channel at the next volume update.
    engine.CrossFade12(path("missing.wav"), false);
    EXPECT_EQ(view.ch1().heard(), "next.wav");
    EXPECT_EQ(state().Gain2, 0.0f);
    EXPECT_EQ(view.now(), 1180);
}

TEST_F(EngineSoundTest, FadeOutWaitsForAPendingHandOverThenFadesIn20MsSteps) {
    view.soundType = SoundTypeDiesel;
    file("idle 1.wav", 3000);
    file("idle 2.wav", 3000);
    file("up 1 - 2.wav", 1000);
    start();
    moveThrottle(7); // hand-over due at 870
    view.ch1().volumes.clear();
    engine.FadeOut();
    // The hand-over ran nested inside the wait, at the first 20 ms step reaching its due time.
    EXPECT_EQ(view.ch1().lastPlay().file, "idle 2.wav");
    EXPECT_EQ(view.ch1().lastPlay().at, 870);
    // Then ten steps down from full level, 20 ms apart, and both channels closed.
    const Volumes fade{{980, -500},   {1000, -1000}, {1020, -1500}, {1040, -2000}, {1060, -2500},
                       {1080, -3000}, {1100, -3500}, {1120, -4000}, {1140, -4500}, {1160, -5000}};
    const Volumes& written = view.ch1().volumes;
    ASSERT_GE(written.size(), fade.size() + 1);
    EXPECT_EQ(Volumes(written.end() - 11, written.end() - 1), fade);
    EXPECT_EQ(view.ch1().lastEvent(), (std::pair<int64_t, std::string>{1180, "close idle 2.wav"}));
    EXPECT_EQ(view.ch2().FileName(), "");
    EXPECT_EQ(state().Gain1, 1.0f);
    EXPECT_EQ(state().Gain2, 1.0f);
    EXPECT_EQ(view.ch1().Volume(), 0); // the gains restored
    EXPECT_FALSE(state().Playing);
    EXPECT_EQ(view.label2, " ");
    EXPECT_EQ(view.label3, "   ");
}

TEST_F(EngineSoundTest, StopWithNothingPlayingChangesNothing) {
    view.soundType = SoundTypeDiesel;
    view.setThrottleMax(300);
    view.setThrottlePosition(150);
    view.label2 = "x";
    stop();
    EXPECT_EQ(view.throttlePosition(), 150);
    EXPECT_EQ(view.throttleMax, 300);
    EXPECT_EQ(view.label2, "x");
}

TEST_F(EngineSoundTest, StopOfASteamSetEndsItsStepsAndClosesBothChannels) {
    file("steam_loop.wav", 2000);
    file("piston_stroke1.wav", 300);
    view.soundType = SoundTypeSteam2;
    view.setThrottleMax(300);
    view.setThrottlePosition(120);
    view.ch1().setFileName(path("steam_loop.wav").toStdString());
    view.ch1().play();
    view.ch2().setFileName(path("piston_stroke1.wav").toStdString());
    view.ch2().play();
    view.timer(2).setEnabled(true);
    view.timer(4).setEnabled(true);
    state().Playing = state().LoopRunning = state().StationaryPending = true;
    stop();
    EXPECT_FALSE(view.timer(2).Enabled());
    EXPECT_FALSE(view.timer(4).Enabled());
    EXPECT_EQ(view.ch1().FileName(), "");
    EXPECT_EQ(view.ch2().FileName(), "");
    EXPECT_FALSE(state().Playing || state().LoopRunning || state().StationaryPending);
    EXPECT_EQ(view.throttlePosition(), 8);
    EXPECT_EQ(view.throttleMax, 8);
    EXPECT_EQ(view.label2, " ");
    EXPECT_EQ(view.label3, "   ");
}

// Nothing of a run comes back after a new set, a new sound type or a single file: no step,
// hand-over or fade of the old run reaches the channels afterwards.
TEST_F(EngineSoundTest, NothingOfAnEndedRunComesBackAfterANewTypeOrASingleFile) {
    for (const char* name : {"piston_stroke1.wav", "piston_stroke2.wav", "piston_stroke3.wav",
                             "piston_stroke4.wav", "loco_stationary_fast.wav"})
        file(name, 100);
    for (const char* name : {"idle 1.wav", "idle 2.wav", "up 1 - 2.wav", "horn_loop.wav"})
        file(name, 3000);
    const auto newType = [this](int type) {
        view.reclassify = [this, type] { view.soundType = type; };
        view.soundSelect();
    };
    // Steam 1 at a stand after beating, its stationary step pending: a diesel folder.
    view.soundType = SoundTypeSteam1;
    start();
    moveThrottle(5);
    view.advance(1000);
    moveThrottle(8);
    view.advance(700);
    newType(SoundTypeDiesel);
    start();
    view.advance(11000);
    EXPECT_EQ(view.ch1().heard() + view.ch2().heard(), "idle 1.wav");
    EXPECT_EQ(view.status, "Change speed/throttle with up/down keys.");

    // A diesel transition, its hand-over pending: a 2-part horn folder.
    moveThrottle(7);
    view.hornType = HornType2Part;
    newType(SoundTypeHorn);
    view.advance(3000);
    EXPECT_EQ(view.ch1().heard() + view.ch2().heard(), "");

    // Steam 1 beating: a single file started over it.
    newType(SoundTypeSteam1);
    start();
    moveThrottle(5);
    view.advance(1000);
    state().SingleFileMode = true;
    state().SingleFilePath = path("idle 2.wav");
    start();
    view.advance(3000);
    EXPECT_EQ(view.ch2().lastPlay().file, "idle 2.wav");
    EXPECT_EQ(view.ch2().heard(), "idle 2.wav");
    EXPECT_TRUE(view.errorBoxes.empty());
}

} // namespace
} // namespace ws::test
