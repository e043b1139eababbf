// One wave file played on its own: Start loops it with the folder's sound silenced, Stop
// ends it the way the folder's sound type stops, and a file that is gone changes nothing.
#include "EngineFixture.h"

namespace ws::test {
namespace {

class SingleFileTest : public EngineFixture {
protected:
    SingleFileTest() {
        view.soundType = SoundTypeDiesel; // the folder classified before the file was chosen
        file("idle 1.wav", 3000);
        file("stop.wav", 1500);
        state().SingleFileMode = true;
        state().SingleFilePath = QString::fromStdString(file("Audition.WAV", 2500, 22050));
    }
};

TEST_F(SingleFileTest, StartLoopsTheFileUntilStopWhichEndsAsTheFoldersTypeDoes) {
    start();
    EXPECT_EQ(view.ch2().heard(), "Audition.WAV");
    EXPECT_TRUE(view.ch2().Loop());
    EXPECT_EQ(view.label2, "Audition.WAV");
    EXPECT_EQ(view.label3, DurationText(2500));
    EXPECT_EQ(view.fader1, 0);
    EXPECT_EQ(view.fader2, 100);
    EXPECT_EQ(view.focused, 0) << "the disabled throttle is not asked for the focus";
    EXPECT_TRUE(state().Playing);
    view.advance(200);
    EXPECT_TRUE(view.progressVisible);
    view.advance(7000);
    EXPECT_EQ(view.ch2().heard(), "Audition.WAV") << "it repeats";
    EXPECT_EQ(view.progressMax, 2500);
    EXPECT_EQ(view.progressPosition, 7200 % 2500);

    // The diesel folder is still classified: Stop plays its stop sound.
    stop();
    EXPECT_EQ(view.ch2().lastPlay().file, "stop.wav");
    EXPECT_EQ(view.ch2().heard(), "");
    EXPECT_FALSE(state().Playing);
    EXPECT_TRUE(view.status.isEmpty());
}

TEST_F(SingleFileTest, AFileGoneSinceItWasChosenMakesStartDoNothing) {
    view.label2 = "before";
    state().SingleFilePath = path("vanished.wav");
    start();
    EXPECT_TRUE(view.ch2().plays.empty());
    EXPECT_EQ(view.label2, "before");
    EXPECT_EQ(state().Gain1, 1.0f);
    EXPECT_FALSE(state().Playing);
}

} // namespace
} // namespace ws::test
