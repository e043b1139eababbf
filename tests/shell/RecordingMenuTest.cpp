// File > Record to WAV in the real window on the manual back end: a place that cannot be
// written and a disk that fills up end in a box that says why, with the menu and the status
// bar back as before; closing the window while recording leaves the whole take.
#include "FileDialogAnswer.h"
#include "FileSizeLimit.h"
#include "ShownWindowTest.h"

#include <QAction>
#include <QLineEdit>
#include <QPushButton>

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
    startShown("Diesel");
    ASSERT_NE(item(), nullptr);
    ASSERT_NE(indicator(), nullptr);

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

    // A take still running when the window closes is finished with everything played.
    const auto closing = dir / "closing.wav";
    recordTo(qpath(closing));
    ASSERT_TRUE(QTest::qWaitFor([&] { return indicator()->isVisible(); }, Patience));
    play(44100);
    EXPECT_TRUE(QTest::qWaitFor([&] { return indicator()->text().endsWith(" 0:01"); }, Patience))
        << indicator()->text().toStdString();
    window->close();
    // Whatever the device still plays after the close is not the take's.
    if (device())
        play(4410);
    QTest::qWait(200);
    EXPECT_EQ(declaredWaveDataBytes(closing), 44100u * 4);
    EXPECT_EQ(errors.size(), 1);
}

} // namespace
