// What a user hears on a real sound server when holding the horn key of a 2-part horn on a
// real X server, and when auditioning one wave file given on the command line.
#include "HeardSession.h"
#include "ProgramProcess.h"
#include "Signals.h"
#include "XSession.h"
#include "audio/SdlSoundSystem.h"

#include <algorithm>

using namespace ws;
using namespace ws::test;

TEST(HornAndSingleFileHeardTest, HHeldOnXSoundsA2PartHornsStartOnceThenLoopsThenFades) {
    if (PulseServer::program().empty() || !XSession::available())
        GTEST_SKIP() << "pulseaudio, Xvfb or xdotool is missing; the horn is not heard end to end";
    XSession x;
    PulseServer server(std::vector<PulseServer::Sink>{{SinkName, SinkDescription}});
    ASSERT_TRUE(server.running()) << server.error();
    QProcessEnvironment env = x.environment();
    env.insert("PULSE_SERVER", QString::fromStdString(server.address()));
    env.insert("SDL_AUDIODRIVER", "pulseaudio");
    TempDir dir;
    QProcess program;
    ASSERT_TRUE(launch(program, dir.path(), {qpath(demoDir() / "Horn2")}, env));
    const std::vector<std::string> names{"horn_start.wav", "horn_loop.wav"};
    const std::vector<double> tones{hzOf("Horn2", "horn_start.wav"),
                                    hzOf("Horn2", "horn_loop.wav")};
    const double startLength = demo::findDemoFile("Horn2", "horn_start.wav")->seconds;
    const double loopLength = demo::findDemoFile("Horn2", "horn_loop.wav")->seconds;
    const double held = 4.0; // seconds: the loop must come round again while held

    auto recording = server.record(SinkName);
    ASSERT_NE(recording, nullptr);
    ASSERT_TRUE(recording->waitFor(4410, 30.0));
    // X repeats the held key as release-and-press pairs from 660 ms on.
    ASSERT_TRUE(x.holdKey(program.processId(), "h", int(held * 1000)));
    QTest::qWait(3500); // a horn once started again by itself 2 s after the release
    const std::vector<double> heard = monoOf(recording->stop());
    program.terminate();

    const auto dominant = [&](const Stretch& s) { return strongestTone(s, tones, Quiet); };
    std::vector<LabelRun> runs = labelRuns(heard, Rate, Window, Hop, SeamWindows, dominant);
    const std::string story = describe(runs, names);
    ASSERT_EQ(labelsFromStart(runs), (std::vector<int>{0, 1, -1})) << story;

    // A window straddles a seam for up to its own length; the hand-over may come late on a
    // busy machine, never after the start file has ended.
    const double slack = double(Window) / Rate + 0.2;
    EXPECT_GT(seconds(runs[0].count), startLength - slack) << story;
    EXPECT_LT(seconds(runs[0].count), startLength + slack) << story;
    EXPECT_GT(seconds(runs[1].count), held - startLength - slack) << story;
    EXPECT_GT(seconds(runs[1].count), loopLength + 0.5) << "the loop came round: " << story;
    EXPECT_LT(seconds(runs[1].count), held - startLength + slack + 1.0) << story;

    // The release fades the loop out rather than cutting it: the level falls over a stretch
    // of blocks before the silence (the fade takes 200 ms; the device plays in periods of
    // about 93 ms, so the steps come in a few larger ones).
    const std::size_t block = std::size_t(0.01 * Rate);
    const auto levelAt = [&](std::size_t b) { return rms(Stretch{heard, b * block, block, Rate}); };
    std::size_t end = heard.size() / block;
    while (end > 0 && levelAt(end - 1) < Quiet)
        --end;
    const std::size_t loopMiddle = (runs[1].first + runs[1].count / 2) * Hop / block;
    const double full = levelAt(loopMiddle);
    std::size_t fadeFrom = end;
    while (fadeFrom > loopMiddle && levelAt(fadeFrom - 1) < 0.95 * full)
        --fadeFrom;
    const double fade = double((end - fadeFrom) * block) / Rate;
    EXPECT_GT(fade, 0.1) << "the horn stopped without a fade: " << story;
    EXPECT_LT(fade, 0.6) << story;
    // No silent 100 ms from the first sound to the fade's end (a release taken, then a
    // press), and nothing after it.
    std::size_t quiet = 0;
    for (std::size_t b = soundStart(heard, Rate, Quiet) / block; b < end; ++b) {
        quiet = levelAt(b) < Quiet ? quiet + 1 : 0;
        ASSERT_LT(quiet, 10u) << "a gap before " << double(b * block) / Rate << " s: " << story;
    }
    EXPECT_GT(double(heard.size() - end * block) / Rate, 2.5) << story;
    program.waitForFinished(Patience);
}

TEST(HornAndSingleFileHeardTest, AWaveFileLoopsBitForBitForAMinuteUnderLoadAtLowLatency) {
    if (PulseServer::program().empty())
        GTEST_SKIP() << "pulseaudio is not installed; the file is not heard end to end";
    // Noise at the null sink's own rate and width reaches the recording unchanged, so every
    // frame of every round of the loop can be compared; a gap or a repeated or lost frame
    // at the seam breaks the match.
    TempDir files;
    const std::size_t frames = 11025; // 250 ms: four seams a second
    const std::vector<int16_t> played = noise(2 * frames, 7, 8000);
    writeWav(files / "audition.wav", 2, 44100, 16, played);
    HeardSession session;
    ASSERT_TRUE(session.openWith(qpath(files / "audition.wav")));
    const BusyLoops load;
    auto recording = session.record();
    ASSERT_NE(recording, nullptr);
    ASSERT_TRUE(recording->waitFor(4410, 30.0));
    session.click("BtStart");
    // Under load, as the server reports it: the figure beside the old one is in the bench.
    const long latency = session.server().settledStreamLatencyUs();
    EXPECT_TRUE(latency > 0 && latency <= 30000) << "a key is heard " << latency << " us later";
    const std::size_t minute = 60 * 44100;
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return recording->waitFor(minute + 88200, 0.0); }, 2 * 60000));
    session.click("BtStop");
    const std::vector<int16_t> heard = recording->stop();

    std::vector<int16_t> loop;
    while (loop.size() < heard.size())
        loop.insert(loop.end(), played.begin(), played.end());
    const auto match = heardFrom(heard, loop, SdlSoundSystem::DevicePeriod);
    ASSERT_TRUE(match) << "the loop did not start within a period of its first frame";
    EXPECT_GE(match->frames, minute)
        << "a gap or a lost frame under load: " << describeBreak(heard, loop, *match);
    EXPECT_TRUE(session.boxes().isEmpty()) << session.boxes().join("; ").toStdString();
}
