// File > Record to WAV in the real window on the manual back end: a place that cannot be
// written and a disk that fills up end in a box that says why, with the menu and the status
// bar back as before, also when the disk fills up just before Stop; closing the window while
// recording leaves the whole take, down to the fades of the sounds the close stops.
#include "FileDialogAnswer.h"
#include "FileSizeLimit.h"
#include "ShownWindowTest.h"
#include "Signals.h"
#include "SoundCard.h"
#include "shell/RecordingControl.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

using namespace ws;
using namespace ws::test;

namespace {

constexpr int Patience = 20000; // ms

class RecordingMenuTest : public ShownWindowTest {
protected:
    // Chooses the item and types `path` into the dialog it opens.
    void recordTo(const QString& path) {
        answerFileDialog([path](QFileDialog& dialog) {
            auto* edit = dialog.findChild<QLineEdit*>("fileNameEdit");
            ASSERT_NE(edit, nullptr);
            edit->setText(path);
            QTest::keyClick(edit, Qt::Key_Return);
        });
        item()->trigger();
    }
    QAction* item() { return window->findChild<QAction*>("RecordToWav1"); }
    QLabel* indicator() { return window->findChild<QLabel*>("RecordingIndicator"); }
    // Plays `frames` of the device as a sound card would, in callbacks of 441 frames.
    void play(std::size_t frames) {
        std::vector<int16_t> out(441 * 2);
        for (std::size_t done = 0; done < frames; done += 441) {
            device()->render(out.data(), 441);
            QApplication::processEvents();
        }
    }
    bool idle() { return item()->text() == "Record to WAV..." && !indicator()->isVisible(); }
};

TEST_F(RecordingMenuTest, FailuresSayWhyAndClosingKeepsTheTake) {
    // The wait for fades at the close is two periods: generous here, for a busy machine.
    auto& system = dynamic_cast<ManualSoundSystem&>(soundSystem());
    system.setDevicePeriod(44100);
    startShown("Diesel");
    ASSERT_NE(item(), nullptr);
    ASSERT_NE(indicator(), nullptr);

    // With no sound output the user is told how to get one, before any file is asked for.
    bool asked = false;
    {
        QObject guard; // a dialog that should not have come is closed, not waited for
        QTimer::singleShot(2000, &guard, [&] {
            if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                asked = true;
                dialog->reject();
            }
        });
        system.failCreateWith(DeviceResult::NoDriver);
        item()->trigger();
        system.failCreateWith(0);
    }
    EXPECT_FALSE(asked);
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors.takeFirst().contains("Device menu"));
    EXPECT_TRUE(idle());

    // Nothing can be made in /proc, whoever runs the test.
    recordTo("/proc/take.wav");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !errors.isEmpty(); }, Patience));
    EXPECT_TRUE(errors.front().contains("/proc/take.wav")) << errors.front().toStdString();
    EXPECT_TRUE(idle());
    errors.clear();

    const auto full = dir / "full.wav";
    {
        FileSizeLimit limit(60000);
        recordTo(qpath(full));
        ASSERT_TRUE(QTest::qWaitFor([&] { return indicator()->isVisible(); }, Patience));
        EXPECT_EQ(item()->text(), "Stop recording");
        QTest::mouseClick(control<QPushButton>("BtStart"), Qt::LeftButton);
        EXPECT_TRUE(QTest::qWaitFor(
            [&] {
                play(441);
                return !errors.isEmpty();
            },
            Patience));
    }
    ASSERT_EQ(errors.size(), 1) << "the disk filled up unnoticed";
    EXPECT_TRUE(errors.front().contains(qpath(full))) << errors.front().toStdString();
    EXPECT_TRUE(errors.front().contains("What was recorded until then is kept"));
    EXPECT_TRUE(idle());
    EXPECT_GT(declaredWaveDataBytes(full), 40000u);
    EXPECT_LE(std::filesystem::file_size(full), 60000u);

    // The disk fills up with no look at the recording before Stop (3 s played at once): Stop
    // says so, with the length that was written.
    const auto late = dir / "late.wav";
    {
        FileSizeLimit limit(200000);
        recordTo(qpath(late));
        ASSERT_TRUE(QTest::qWaitFor([&] { return indicator()->isVisible(); }, Patience));
        std::vector<int16_t> out(441 * 2);
        for (int i = 0; i < 300; ++i)
            device()->render(out.data(), 441);
        item()->trigger();
    }
    ASSERT_EQ(errors.size(), 2) << "a failed take was reported as recorded";
    EXPECT_TRUE(errors.back().contains(qpath(late))) << errors.back().toStdString();
    EXPECT_TRUE(idle());
    EXPECT_EQ(
        window->statusText(),
        QStringLiteral("Recorded %1 to %2; the recording stopped.")
            .arg(elapsedText(double(declaredWaveDataBytes(late)) / (44100 * 4)), qpath(late)));

    // A take running when the window closes keeps everything played, down to the fades of the
    // sounds the close stops (a sound card on a thread of its own renders them).
    const auto closing = dir / "closing.wav";
    recordTo(qpath(closing));
    ASSERT_TRUE(QTest::qWaitFor([&] { return indicator()->isVisible(); }, Patience));
    play(44100);
    EXPECT_TRUE(QTest::qWaitFor([&] { return indicator()->text().endsWith(" 0:01"); }, Patience))
        << indicator()->text().toStdString();
    SoundCard card(system);
    window->close();
    card.stop();
    const auto take = waveLeft(closing);
    ASSERT_GE(take.size(), 44100u);
    EXPECT_FALSE(silent({take.begin() + 44100 - 441, take.begin() + 44100})) << "nothing played";
    EXPECT_TRUE(silent(take, take.size() - 88)) << "the take ends in a step";
    // Whatever the device still plays after the close is not the take's.
    if (device())
        play(4410);
    QTest::qWait(200);
    EXPECT_EQ(waveLeft(closing).size(), take.size());
    EXPECT_EQ(errors.size(), 2);
    system.setDevicePeriod(ManualSoundSystem::DefaultPeriod);
}

} // namespace
