// What a user hears from the steam sets on a real sound server: Start gives the standstill
// hiss, the speed control moved with the arrow keys gives exhaust beats at the rate of its
// position, further on the running loop at its pitch, and Stop silence.
#include "HeardSession.h"

#include <algorithm>
#include <cmath>

using namespace ws;
using namespace ws::test;

namespace {

constexpr double BeatHold = 4.0; // seconds the test lets the beats run
constexpr double LoopHold = 2.0; // seconds at each loop pitch

// A sound the test listens for: its name in the story, and the fundamentals that name it.
struct Heard {
    std::string name;
    std::vector<double> hz;
};

// The recording named window by window: each window gets the sound whose fundamental sounds
// strongest in it, or -1 for silence.
std::vector<LabelRun> story(const std::vector<double>& heard, const std::vector<Heard>& sounds) {
    std::vector<double> tones;
    std::vector<int> owner;
    for (std::size_t k = 0; k < sounds.size(); ++k)
        for (double hz : sounds[k].hz) {
            tones.push_back(hz);
            owner.push_back(int(k));
        }
    return labelRuns(heard, Rate, Window, Hop, SeamWindows, [&](const Stretch& s) {
        const int tone = strongestTone(s, tones, Quiet);
        return tone < 0 ? -1 : owner[std::size_t(tone)];
    });
}

std::string told(const std::vector<LabelRun>& runs, const std::vector<Heard>& sounds) {
    std::vector<std::string> names;
    for (const Heard& h : sounds)
        names.push_back(h.name);
    return describe(runs, names);
}

// The beats of a run, away from its seams: they must follow each other in the order of
// the four stroke files, on average `intervalMs` apart. The device plays in periods of
// about 93 ms, so one interval may be off by that much; the mean over many is not. A beat
// that comes one period late and is followed one period early by the next may run into it
// without a rise the onsets show; the strokes then count on by the intervals that passed.
void expectBeats(const std::vector<double>& heard, const LabelRun& run,
                 const std::vector<double>& strokeHz, double intervalMs, const std::string& what) {
    const std::size_t from = run.first * Hop + Window;
    const std::size_t to = (run.first + run.count - 1) * Hop;
    ASSERT_GT(to, from + std::size_t(3 * intervalMs / 1000 * Rate)) << what << ": too short";
    const std::vector<std::size_t> at = onsets(Stretch{heard, from, to - from, Rate}, 0.1);
    ASSERT_GE(at.size(), 4u) << what;

    std::ostringstream beats;
    std::vector<int> stroke;
    const auto look = std::size_t(0.2 * Rate);
    for (std::size_t onset : at) {
        stroke.push_back(strongestTone(Stretch{heard, onset, look, Rate}, strokeHz, Quiet));
        beats << double(onset) / Rate << "s: stroke " << stroke.back() + 1 << "; ";
    }
    int intervals = 0;
    for (std::size_t k = 1; k < stroke.size(); ++k) {
        const double gapMs = double(at[k] - at[k - 1]) / Rate * 1000;
        const int passed = std::max(1, int(std::lround(gapMs / intervalMs)));
        intervals += passed;
        EXPECT_EQ(stroke[k], (stroke[k - 1] + passed) % 4) << what << ": " << beats.str();
    }
    EXPECT_LE(std::size_t(intervals), 2 * (at.size() - 1)) << "beats went unheard: " << beats.str();

    const double meanMs = double(at.back() - at.front()) / Rate * 1000 / double(intervals);
    EXPECT_GT(meanMs, 0.9 * intervalMs) << what << ": " << beats.str();
    EXPECT_LT(meanMs, 1.2 * intervalMs) << what << ": " << beats.str();
}

void expectPitch(const std::vector<double>& heard, const LabelRun& run, double hz,
                 const std::string& what) {
    const std::size_t middle = (run.first + run.count / 2) * Hop;
    const double measured =
        peakFrequency(Stretch{heard, middle, Window, Rate}, hz * 0.98, hz * 1.02);
    EXPECT_NEAR(measured, hz, 0.002 * hz) << what;
}

void pressTimes(HeardSession& session, Qt::Key key, int times) {
    for (int k = 0; k < times; ++k)
        session.press(key);
}

std::vector<double> hzOfSet(const char* set, std::initializer_list<const char*> files) {
    std::vector<double> hz;
    for (const char* f : files)
        hz.push_back(hzOf(set, f));
    return hz;
}

std::vector<double> strokesOf(const char* set) {
    return hzOfSet(set, {"piston_stroke1.wav", "piston_stroke2.wav", "piston_stroke3.wav",
                         "piston_stroke4.wav"});
}

std::vector<double> stationaryOf(const char* set) {
    return hzOfSet(
        set, {"loco_stationary_fast.wav", "loco_stationary_med.wav", "loco_stationary_slow.wav"});
}

} // namespace

TEST(SteamHeardTest, Steam1HissesThenBeatsAtThePositionsRateThenLoopsAtItsPitch) {
    if (PulseServer::program().empty())
        GTEST_SKIP() << "pulseaudio is not installed; the engine is not heard end to end";
    HeardSession session;
    ASSERT_TRUE(session.open("Steam1"));

    const double loopHz = hzOf("Steam1", "steam_loop.wav");
    const std::vector<Heard> sounds{
        {"hiss", {hzOf("Steam1", "smoke_stack_hiss.wav")}},
        {"beats", strokesOf("Steam1")},
        {"loop x1.3", {loopHz * 1.3}},
        {"loop x1.0", {loopHz}}, // the loop at a wrong pitch is heard as itself
        {"stationary", stationaryOf("Steam1")},
    };

    auto recording = session.record();
    ASSERT_NE(recording, nullptr);
    ASSERT_TRUE(recording->waitFor(4410, 30.0));

    session.click("BtStart");
    QTest::qWait(2000);
    pressTimes(session, Qt::Key_Up, 4); // position 4: the fastest beats
    QTest::qWait(int(BeatHold * 1000));
    pressTimes(session, Qt::Key_Up, 3); // position 1: the loop at its highest pitch
    QTest::qWait(int(LoopHold * 1000));
    session.click("BtStop");
    QTest::qWait(1500);
    const std::vector<double> heard = monoOf(recording->stop());

    std::vector<LabelRun> runs = story(heard, sounds);
    const std::string what = told(runs, sounds);
    ASSERT_EQ(labelsFromStart(runs), (std::vector<int>{0, 1, 2, -1})) << what;
    expectBeats(heard, runs[1], sounds[1].hz, 250, "beats at position 4: " + what);
    expectPitch(heard, runs[2], loopHz * 1.3, "loop at position 1: " + what);
    EXPECT_TRUE(session.boxes().isEmpty()) << session.boxes().join("; ").toStdString();
}

TEST(SteamHeardTest, Steam2HissesThenBeatsBySpeedThenPicksTheNearestLoopAndPitchesIt) {
    if (PulseServer::program().empty())
        GTEST_SKIP() << "pulseaudio is not installed; the engine is not heard end to end";
    HeardSession session;
    ASSERT_TRUE(session.open("Steam2"));

    const double loop240 = hzOf("Steam2", "steam_loop_240rpm.wav");
    const std::vector<Heard> sounds{
        {"hiss", {hzOf("Steam2", "smoke_stack_hiss.wav")}},
        {"beats", strokesOf("Steam2")},
        {"240 rpm loop", {loop240}},
        {"240 rpm loop at speed 221", {loop240 * 221 / 240}},
        {"other loops", hzOfSet("Steam2", {"steam_loop_60rpm.wav", "steam_loop_120rpm.wav",
                                           "steam_loop_180rpm.wav"})},
        {"stationary", stationaryOf("Steam2")},
    };

    auto recording = session.record();
    ASSERT_NE(recording, nullptr);
    ASSERT_TRUE(recording->waitFor(4410, 30.0));

    session.click("BtStart");
    QTest::qWait(2000);
    pressTimes(session, Qt::Key_Up, 20); // speed 20: a beat every 8000 / 20 ms
    QTest::qWait(int(BeatHold * 1000));
    // Speed 220: nearer 240 rpm than 180; the loop comes in at its own pitch, and takes the
    // speed's pitch from the next move on.
    pressTimes(session, Qt::Key_Up, 200);
    QTest::qWait(int(LoopHold * 1000));
    session.press(Qt::Key_Up);
    QTest::qWait(int(LoopHold * 1000));
    session.click("BtStop");
    QTest::qWait(1500);
    const std::vector<double> heard = monoOf(recording->stop());

    std::vector<LabelRun> runs = story(heard, sounds);
    const std::string what = told(runs, sounds);
    ASSERT_EQ(labelsFromStart(runs), (std::vector<int>{0, 1, 2, 3, -1})) << what;
    expectBeats(heard, runs[1], sounds[1].hz, 8000.0 / 20, "beats at speed 20: " + what);
    expectPitch(heard, runs[2], loop240, "loop at speed 220: " + what);
    expectPitch(heard, runs[3], loop240 * 221 / 240, "loop at speed 221: " + what);
    EXPECT_TRUE(session.boxes().isEmpty()) << session.boxes().join("; ").toStdString();
}
