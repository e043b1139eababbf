// What a user hears from the diesel and electric sets on a real sound server, driven by
// Start, the arrow keys on the throttle and Stop.
#include "HeardSession.h"

#include <algorithm>
#include <cmath>

using namespace ws;
using namespace ws::test;

TEST(EngineHeardTest, DieselSoundsStartIdleTransitionIdleStopAndSilenceInOrder) {
    if (PulseServer::program().empty())
        GTEST_SKIP() << "pulseaudio is not installed; the engine is not heard end to end";
    HeardSession session;
    ASSERT_TRUE(session.open("Diesel"));
    MainWindow& window = session.window();

    // Every file of the set but the stop sound is a candidate, so that a wrong file is
    // heard as itself.
    std::vector<std::string> names;
    std::vector<double> tones;
    for (const demo::DemoFile& f : demo::demoFiles())
        if (f.set == "Diesel" && f.path != "stop.wav") {
            names.emplace_back(f.fileName());
            tones.push_back(f.hz);
        }
    const auto indexOf = [&](const char* file) {
        return int(std::find(names.begin(), names.end(), file) - names.begin());
    };
    const int Start = indexOf("start.wav"), Idle1 = indexOf("idle 1.wav"),
              Up12 = indexOf("up 1 - 2.wav"), Idle2 = indexOf("idle 2.wav");
    const double stopHz = hzOf("Diesel", "stop.wav");
    const double idle1Wait = 2.5, idle2Wait = 2.5; // seconds the test lets each idle loop run

    auto recording = session.record();
    ASSERT_NE(recording, nullptr);
    // The recorder must be running before Start, or the head of the start sound is lost.
    ASSERT_TRUE(recording->waitFor(4410, 30.0));

    session.click("BtStart");
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return fileOn(window.mixerChannel1()) == "idle 1.wav"; }, Patience));
    QTest::qWait(int(idle1Wait * 1000));
    session.press(Qt::Key_Up);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return fileOn(window.mixerChannel1()) == "idle 2.wav"; }, Patience));
    QTest::qWait(int(idle2Wait * 1000));
    session.click("BtStop"); // returns once the stop sound has played
    QTest::qWait(2500);
    const std::vector<double> heard = monoOf(recording->stop());

    // Each window is named by the strongest of the fundamentals. The stop sound plays
    // over the idle loop, which may drown it, so it is looked for on its own below.
    const auto dominant = [&](const Stretch& s) { return strongestTone(s, tones, Quiet); };
    std::vector<LabelRun> runs = labelRuns(heard, Rate, Window, Hop, SeamWindows, dominant);
    const std::string story = describe(runs, names);
    const std::vector<int> order = labelsFromStart(runs);
    ASSERT_EQ(order, (std::vector<int>{Start, Idle1, Up12, Idle2, -1})) << story;

    // A window straddles a seam for up to its own length, and the sound server may drop up
    // to one device period of the stream's head; a hand-over comes 130 ms before a one-shot
    // ends and may come late on a busy machine, never after the one-shot has ended.
    const double slack = double(Window) / Rate + 0.2;
    const auto lengthOf = [](const char* file) {
        return demo::findDemoFile("Diesel", file)->seconds;
    };
    EXPECT_GT(seconds(runs[0].count), lengthOf("start.wav") - slack) << story;
    EXPECT_LT(seconds(runs[0].count), lengthOf("start.wav") + slack) << story;
    EXPECT_GT(seconds(runs[1].count), idle1Wait - slack) << story;
    EXPECT_GT(seconds(runs[2].count), lengthOf("up 1 - 2.wav") - slack) << story;
    EXPECT_LT(seconds(runs[2].count), lengthOf("up 1 - 2.wav") + slack) << story;
    EXPECT_GT(seconds(runs[3].count), idle2Wait + lengthOf("stop.wav") - slack) << story;
    EXPECT_GT(seconds(runs[4].count), 1.0) << "silence after Stop: " << story;

    // The stop sound: its fundamental stands out of the idle loop's noise (a few percent of
    // the loop's fundamental there) only at the end of the idle 2 run, for the stop sound's
    // length, as the last thing before the silence.
    const LabelRun& idle2 = runs[3];
    const auto stopPresent = [&](const Stretch& s) {
        return toneLevel(s, stopHz) > 0.1 * toneLevel(s, tones[Idle2]) ? 1 : 0;
    };
    const std::vector<double> idle2Part(heard.begin() + std::ptrdiff_t(idle2.first * Hop),
                                        heard.begin() +
                                            std::ptrdiff_t((idle2.first + idle2.count) * Hop));
    const std::vector<LabelRun> stop =
        labelRuns(idle2Part, Rate, Window, Hop, SeamWindows, stopPresent);
    std::ostringstream stopStory;
    for (const LabelRun& r : stop)
        stopStory << (r.label ? "stop " : "idle only ") << seconds(r.first) << "s+"
                  << seconds(r.count) << "s; ";
    ASSERT_EQ(stop.size(), 2u) << stopStory.str() << " in " << story;
    EXPECT_EQ(stop[0].label, 0);
    EXPECT_GT(seconds(stop[0].count), idle2Wait - slack) << stopStory.str();
    EXPECT_EQ(stop[1].label, 1);
    EXPECT_GT(seconds(stop[1].count), lengthOf("stop.wav") - slack) << stopStory.str();
    EXPECT_LT(seconds(stop[1].count), lengthOf("stop.wav") + slack) << stopStory.str();
    EXPECT_TRUE(session.boxes().isEmpty()) << session.boxes().join("; ").toStdString();
}

TEST(EngineHeardTest, ElectricPitchFollowsTheThrottleTableFromStartOn) {
    if (PulseServer::program().empty())
        GTEST_SKIP() << "pulseaudio is not installed; the engine is not heard end to end";
    HeardSession session;
    ASSERT_TRUE(session.open("Electric"));

    const double whine = hzOf("Electric", "engine_loop.wav");
    // Frequency factors of the throttle positions 8 (idle) up to 1 (full).
    const std::vector<double> factors{0.7, 0.8, 0.9, 1.0, 1.05, 1.1, 1.14, 1.18};
    const double hold = 1.5; // seconds at each position

    auto recording = session.record();
    ASSERT_NE(recording, nullptr);
    ASSERT_TRUE(recording->waitFor(4410, 30.0));

    session.click("BtStart");
    QTest::qWait(int(hold * 1000));
    for (int notch = 0; notch < 3; ++notch) {
        session.press(Qt::Key_Up);
        QTest::qWait(int(hold * 1000));
    }
    session.press(Qt::Key_Down);
    QTest::qWait(int(hold * 1000));
    session.click("BtStop");
    QTest::qWait(2500);
    const std::vector<double> heard = monoOf(recording->stop());

    // Each window is named by the table pitch that sounds strongest in it.
    std::vector<double> pitches;
    for (double f : factors)
        pitches.push_back(whine * f);
    const auto nearest = [&](const Stretch& s) { return strongestTone(s, pitches, Quiet); };
    std::vector<LabelRun> runs = labelRuns(heard, Rate, Window, Hop, SeamWindows, nearest);
    std::vector<std::string> names;
    for (double f : factors)
        names.push_back(std::to_string(f).substr(0, 4) + " x");
    const std::string story = describe(runs, names);
    const std::vector<int> order = labelsFromStart(runs);
    ASSERT_EQ(order, (std::vector<int>{0, 1, 2, 3, 2, -1})) << story;

    // The pitch itself, measured around the expected one, within a fraction of the
    // smallest step between table entries (4% of the loop's pitch).
    for (std::size_t r = 0; r + 1 < runs.size(); ++r) {
        const double expected = whine * factors[std::size_t(runs[r].label)];
        const std::size_t middle = (runs[r].first + runs[r].count / 2) * Hop;
        const double measured =
            peakFrequency(Stretch{heard, middle, Window, Rate}, expected * 0.95, expected * 1.05);
        EXPECT_NEAR(measured, expected, 0.005 * whine) << "run " << r << ": " << story;
    }

    // From Start on: the first sounding 200 ms are already at the idle position's pitch,
    // not at the loop's own, however late the device's first period came.
    const std::size_t first = soundStart(heard, Rate, Quiet);
    ASSERT_LE(first + 2 * Hop, heard.size()) << "nothing sounded";
    for (const std::size_t at : {first, first + Hop}) {
        const Stretch head{heard, at, Hop, Rate};
        EXPECT_GT(toneLevel(head, 0.7 * whine), 10 * toneLevel(head, whine))
            << "at " << double(at) / Rate << " s: " << story;
    }
    EXPECT_TRUE(session.boxes().isEmpty()) << session.boxes().join("; ").toStdString();
}
