// A user records the diesel demo set through File > Record to WAV on a real sound server:
// the file is a valid wave of about the time it recorded, and what it holds is what the
// server was given, bit for bit.
#include "FileDialogAnswer.h"
#include "HeardSession.h"
#include "Signals.h"

#include <QAction>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>

#include <sndfile.h>

using namespace ws;
using namespace ws::test;

TEST(RecordingHeardTest, TheDieselRecordedFromTheMenuIsWhatTheServerPlayed) {
    if (PulseServer::program().empty())
        GTEST_SKIP() << "pulseaudio is not installed; a recording is not compared with the sound";
    HeardSession session;
    ASSERT_TRUE(session.open("Diesel"));
    TempDir dir;
    const auto file = dir / "take.wav";
    auto* item = session.window().findChild<QAction*>("RecordToWav1");
    ASSERT_NE(item, nullptr);
    auto* indicator = session.window().findChild<QLabel*>("RecordingIndicator");
    ASSERT_NE(indicator, nullptr);
    EXPECT_EQ(item->text(), "Record to WAV...");

    auto heard = session.record();
    ASSERT_NE(heard, nullptr);
    ASSERT_TRUE(heard->waitFor(4410, 30.0));

    answerFileDialog([&](QFileDialog& dialog) {
        auto* edit = dialog.findChild<QLineEdit*>("fileNameEdit");
        ASSERT_NE(edit, nullptr);
        edit->setText(qpath(dir.path() / "take")); // the suffix is added
        QTest::keyClick(edit, Qt::Key_Return);
    });
    item->trigger();
    QElapsedTimer wall;
    wall.start();
    EXPECT_EQ(item->text(), "Stop recording");
    EXPECT_TRUE(indicator->isVisible());

    session.click("BtStart");
    QTest::qWait(3000);
    EXPECT_TRUE(indicator->text().contains("0:0")) << indicator->text().toStdString();
    session.click("BtStop"); // returns once the stop sound has played
    QTest::qWait(500);
    item->trigger();
    const double recordedFor = double(wall.elapsed()) / 1000.0;
    EXPECT_EQ(item->text(), "Record to WAV...");
    EXPECT_FALSE(indicator->isVisible());
    EXPECT_TRUE(session.window().statusText().startsWith("Recorded 0:0"))
        << session.window().statusText().toStdString();
    QTest::qWait(1000);
    const std::vector<int16_t> server = heard->stop();
    EXPECT_TRUE(session.boxes().isEmpty()) << session.boxes().join("; ").toStdString();

    SF_INFO info{};
    SNDFILE* f = sf_open(file.c_str(), SFM_READ, &info);
    ASSERT_NE(f, nullptr) << sf_strerror(nullptr);
    std::vector<int16_t> take(static_cast<std::size_t>(info.frames * info.channels));
    sf_read_short(f, take.data(), static_cast<sf_count_t>(take.size()));
    sf_close(f);
    EXPECT_EQ(info.format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    EXPECT_EQ(info.samplerate, 44100);
    EXPECT_EQ(info.channels, 2);
    // The device plays in real time: the file is about as long as the recording lasted,
    // less what was still to be played when it stopped, never longer.
    const double length = double(info.frames) / 44100.0;
    EXPECT_GT(length, recordedFor / 2) << "recorded for " << recordedFor << " s";
    EXPECT_LT(length, recordedFor + 0.5) << "recorded for " << recordedFor << " s";

    // From its first sound on, the take is what the server received.
    std::size_t first = 0;
    while (first < take.size() && take[first] == 0)
        ++first;
    ASSERT_LT(first, take.size()) << "the take is silent";
    const std::vector<int16_t> sounding(take.begin() + long(first & ~std::size_t(1)), take.end());
    const auto match = heardFrom(server, sounding, 4096);
    ASSERT_TRUE(match.has_value()) << "the server did not receive what was recorded";
    EXPECT_GT(match->frames, 44100u) << describeBreak(server, sounding, *match);
}
