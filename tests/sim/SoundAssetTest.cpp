// Sound-type detection on folders built for each case: every naming rule, the order in
// which the rules are tried, letter case, the horn subfolder, and entries that are folders.
#include "sim/SoundAsset.h"

#include "QtPath.h"
#include "TestSupport.h"

#include <gtest/gtest.h>
#include <initializer_list>
#include <string>

namespace ws {
namespace {

namespace fs = std::filesystem;

struct Expected {
    int soundType;
    int hornType;
};

class SoundAssetTest : public ::testing::Test {
protected:
    void files(std::initializer_list<std::string> names) {
        for (const std::string& name : names)
            test::touch(dir_ / name);
    }
    void folders(std::initializer_list<std::string> names) {
        for (const std::string& name : names)
            fs::create_directories(dir_ / name);
    }
    // The asset-folder path of `dir`, ending in a separator.
    static QString folderOf(const test::TempDir& dir) { return test::qpath(dir.path()) + '/'; }
    QString folder() const { return folderOf(dir_); }
    void expectType(Expected expected) {
        const SoundClassification found = classifySoundAsset(folder());
        EXPECT_EQ(found.soundType, expected.soundType);
        EXPECT_EQ(found.hornType, expected.hornType);
    }

    test::TempDir dir_;
};

TEST_F(SoundAssetTest, EachRuleAloneSelectsItsType) {
    struct Case {
        std::initializer_list<std::string> names;
        Expected expected;
    };
    const Case cases[] = {
        {{"idle 1.wav", "up 1 - 2.wav", "down 2 - 1.wav"}, {SoundTypeDiesel, HornTypeNone}},
        {{"piston_stroke1.wav", "steam_loop.wav", "loco_stationary_fast.wav"},
         {SoundTypeSteam1, HornTypeNone}},
        {{"piston_stroke1.wav", "steam_loop_120rpm.wav", "loco_stationary_fast.wav"},
         {SoundTypeSteam2, HornTypeNone}},
        {{"engine_loop.wav"}, {SoundTypeElectric, HornTypeNone}},
        {{"horn_start.wav", "horn_loop.wav"}, {SoundTypeHorn, HornType2Part}},
        {{"horn/start.wav", "horn/idle 1.wav", "horn/stop.wav"}, {SoundTypeHorn, HornType3Part}},
        {{"horn.wav"}, {SoundTypeHorn, HornType1Part}},
        {{"readme.txt", "idle 2.wav"}, {SoundTypeNone, HornTypeNone}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(*c.names.begin());
        test::TempDir fresh;
        for (const std::string& name : c.names)
            test::touch(fresh / name);
        const SoundClassification found = classifySoundAsset(folderOf(fresh));
        EXPECT_EQ(found.soundType, c.expected.soundType);
        EXPECT_EQ(found.hornType, c.expected.hornType);
    }
}

TEST_F(SoundAssetTest, DieselWinsOverElectric) {
    files({"idle 1.wav", "up 1 - 2.wav", "down 2 - 1.wav", "engine_loop.wav"});
    expectType({SoundTypeDiesel, HornTypeNone});
}

TEST_F(SoundAssetTest, IncompleteDieselFallsThroughToElectric) {
    files({"idle 1.wav", "up 1 - 2.wav", "engine_loop.wav"});
    expectType({SoundTypeElectric, HornTypeNone});
}

TEST_F(SoundAssetTest, SteamLoopMakesSteam1EvenWithRpmLoops) {
    files({"piston_stroke1.wav", "loco_stationary_fast.wav", "steam_loop.wav",
           "steam_loop_120rpm.wav", "steam_loop_60rpm.wav"});
    expectType({SoundTypeSteam1, HornTypeNone});
}

TEST_F(SoundAssetTest, SteamWithoutAnyLoopIsNoSteamSet) {
    files({"piston_stroke1.wav", "loco_stationary_fast.wav"});
    expectType({SoundTypeNone, HornTypeNone});
    files({"horn.wav"});
    expectType({SoundTypeHorn, HornType1Part});
}

TEST_F(SoundAssetTest, TwoPartHornWinsOverOnePartOnlyWithItsLoop) {
    files({"horn_start.wav", "horn.wav"});
    expectType({SoundTypeHorn, HornType1Part});
    files({"horn_loop.wav"});
    expectType({SoundTypeHorn, HornType2Part});
}

TEST_F(SoundAssetTest, ThreePartHornNeedsAllThreeFilesInTheSubfolder) {
    files({"horn/start.wav", "horn/idle 1.wav", "start.wav", "stop.wav"});
    expectType({SoundTypeNone, HornTypeNone});
    files({"horn/stop.wav"});
    expectType({SoundTypeHorn, HornType3Part});
}

TEST_F(SoundAssetTest, LetterCaseOfFilesAndSubfoldersDoesNotMatter) {
    files({"IDLE 1.WAV", "Up 1 - 2.Wav", "down 2 - 1.WAV"});
    expectType({SoundTypeDiesel, HornTypeNone});

    test::TempDir horn;
    for (const char* name : {"Horn/Start.WAV", "Horn/IDLE 1.wav", "Horn/stop.Wav"})
        test::touch(horn / name);
    const QString hornFolder = folderOf(horn);
    EXPECT_EQ(classifySoundAsset(hornFolder).hornType, HornType3Part);

    test::TempDir steam;
    for (const char* name :
         {"Piston_Stroke1.wav", "STEAM_LOOP_90RPM.WAV", "Loco_Stationary_Fast.wav"})
        test::touch(steam / name);
    EXPECT_EQ(classifySoundAsset(folderOf(steam)).soundType, SoundTypeSteam2);
}

TEST_F(SoundAssetTest, BellIsIdle1InTheAssetFolderItself) {
    files({"horn/start.wav", "horn/idle 1.wav", "horn/stop.wav"});
    EXPECT_FALSE(bellAvailable(folder()));
    files({"Idle 1.WAV"});
    EXPECT_TRUE(bellAvailable(folder()));
}

// The search takes the first matching entry in name order; a folder there means "missing".
TEST_F(SoundAssetTest, AFolderFoundFirstMeansTheFileIsMissing) {
    files({"piston_stroke1.wav", "loco_stationary_fast.wav", "steam_loop_y.wav"});
    folders({"steam_loop_x.wav"});
    expectType({SoundTypeNone, HornTypeNone});
    EXPECT_FALSE(assetFileExists(folder(), "steam_loop_*.wav"));

    // Name order ignores letter case: "steam_loop_a" comes before "STEAM_LOOP_B".
    test::TempDir other;
    fs::create_directories(other / "steam_loop_a.wav");
    test::touch(other / "STEAM_LOOP_B.WAV");
    EXPECT_FALSE(assetFileExists(folderOf(other), "steam_loop_*.wav"));

    // A file that sorts before the folder is found.
    files({"steam_loop_0.wav"});
    expectType({SoundTypeSteam2, HornTypeNone});
}

TEST_F(SoundAssetTest, FoldersNamedLikeFilesDoNotCount) {
    folders({"engine_loop.wav", "horn.wav"});
    expectType({SoundTypeNone, HornTypeNone});
    // ... but a subfolder name is a folder, whatever it looks like.
    files({"horn.wav/start.wav"});
    EXPECT_TRUE(assetFileExists(folder(), "Horn.WAV/start.wav"));
    EXPECT_FALSE(assetFileExists(folder(), "horn/start.wav"));
}

TEST_F(SoundAssetTest, WildcardsMatchAnyRunOrOneCharacter) {
    files({"steam_loop_.wav", "piston_stroke3.wav"});
    EXPECT_TRUE(assetFileExists(folder(), "steam_loop_*.wav")); // "*" matches nothing too
    EXPECT_TRUE(assetFileExists(folder(), "piston_stroke?.wav"));
    EXPECT_FALSE(assetFileExists(folder(), "piston_stroke??.wav"));
    EXPECT_FALSE(assetFileExists(folder(), "*.ogg"));
    EXPECT_TRUE(assetFileExists(folder(), "*"));
}

TEST_F(SoundAssetTest, AMissingFolderMatchesNothing) {
    const QString missing = folder() + "no such asset/";
    EXPECT_FALSE(assetFileExists(missing, "horn.wav"));
    EXPECT_FALSE(assetFileExists(missing, "*.wav"));
    EXPECT_FALSE(bellAvailable(missing));
    const SoundClassification found = classifySoundAsset(missing);
    EXPECT_EQ(found.soundType, SoundTypeNone);
    EXPECT_EQ(found.hornType, HornTypeNone);
    EXPECT_EQ(classifySoundAsset(QString()).soundType, SoundTypeNone);
}

} // namespace
} // namespace ws
