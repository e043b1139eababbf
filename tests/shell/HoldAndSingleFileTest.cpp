// The horn and bell held with any mouse button or their keys, and one wave file chosen in
// the real file dialog and played, through the real window on the manual sound back end.
#include "FileDialogAnswer.h"
#include "ShownWindowTest.h"

#include "shell/Toolkit.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <functional>

using namespace ws;
using namespace ws::test;

namespace {

constexpr int Patience = 20000; // ms; far beyond any wait a test here needs

// A key as the keyboard sends it to whatever has the focus; held keys repeat.
void sendKey(QEvent::Type type, Qt::Key key, bool autoRepeat = false) {
    QWidget* target =
        QApplication::focusWidget() ? QApplication::focusWidget() : QApplication::activeWindow();
    ASSERT_NE(target, nullptr);
    const QString text = QString(QChar(key)).toLower();
    QKeyEvent event(type, key, Qt::NoModifier, text, autoRepeat);
    QApplication::sendEvent(target, &event);
}

QStringList listed(QFileDialog& dialog) {
    QStringList names;
    auto* list = dialog.findChild<QListView*>("listView");
    if (!list || !list->model())
        return names;
    for (int row = 0; row < list->model()->rowCount(list->rootIndex()); ++row)
        names << list->model()->index(row, 0, list->rootIndex()).data().toString();
    return names;
}

class HoldAndSingleFileTest : public ShownWindowTest {
protected:
    bool waitFor(const std::function<bool()>& condition) {
        return QTest::qWaitFor(condition, Patience);
    }
};

TEST_F(HoldAndSingleFileTest, HornAndBellSoundWhileHeldByAnyMouseButtonOrTheirKeys) {
    startShown("HornBell");
    Listener listener(*window);
    auto* horn = control<QPushButton>("BtHorn");
    ASSERT_TRUE(horn->isVisible());
    ASSERT_TRUE(control<QPushButton>("btBell")->isVisible());
    EXPECT_TRUE(horn->toolTip().contains("H")) << horn->toolTip().toStdString();

    // The right mouse button: the start file, the loop while held, silence after.
    QTest::mousePress(horn, Qt::RightButton);
    EXPECT_EQ(file2(), "horn_start.wav");
    ASSERT_TRUE(waitFor([&] { return file1() == "horn_loop.wav" && file2() == ""; }));
    EXPECT_EQ(text("Label2"), "horn_loop.wav");
    QTest::qWait(300);
    EXPECT_TRUE(window->mixerChannel1()->isPlaying());
    QTest::mouseRelease(horn, Qt::RightButton);
    EXPECT_EQ(file1(), "");
    EXPECT_EQ(file2(), "");

    // Holding H is holding the button. The keyboard repeats a held key; were a repeat a new
    // press, the start file would begin again every 100 ms and the loop never come. Under
    // load Qt may pass a repeat on as a plain release and press.
    sendKey(QEvent::KeyPress, Qt::Key_H);
    EXPECT_EQ(file2(), "horn_start.wav");
    for (int k = 0; k < 25; ++k) {
        QTest::qWait(100);
        sendKey(QEvent::KeyRelease, Qt::Key_H, k % 2);
        sendKey(QEvent::KeyPress, Qt::Key_H, k % 2);
    }
    EXPECT_EQ(file1(), "horn_loop.wav");
    EXPECT_EQ(file2(), "");
    sendKey(QEvent::KeyRelease, Qt::Key_H);
    EXPECT_TRUE(waitFor([&] { return file1() == ""; }));

    // B rings the bell for as long as it is held.
    sendKey(QEvent::KeyPress, Qt::Key_B);
    EXPECT_EQ(file2(), "idle 1.wav");
    QTest::qWait(2500); // longer than the file: it loops
    EXPECT_TRUE(window->mixerChannel2()->isPlaying());
    sendKey(QEvent::KeyRelease, Qt::Key_B);
    EXPECT_TRUE(waitFor([&] { return file2() == ""; }));
    EXPECT_TRUE(errors.isEmpty()) << errors.join("; ").toStdString();
}

TEST_F(HoldAndSingleFileTest, AWaveFileFromTheMenuLoopsUntilStopAndCancelGivesTheThrottleBack) {
    const std::filesystem::path files = dir / "auditions";
    std::vector<int16_t> tone(11025);
    for (std::size_t i = 0; i < tone.size(); ++i)
        tone[i] = int16_t(8000 * std::sin(2 * 3.14159265 * 441 * double(i) / 22050));
    writeWav(files / "Audition.WAV", 1, 22050, 16, tone);
    touch(files / "notes.txt");
    {
        std::ofstream broken(files / "broken.wav");
        broken << "RIFF, but no wave in here";
    }
    startShown("Diesel");
    Listener listener(*window);
    auto* menuItem = window->findChild<QAction*>("Openwavfile1");
    ASSERT_NE(menuItem, nullptr);
    auto* throttle = control<TrackBar>("Throttle1");

    // The dialog opens in the asset folder and lists wave files whatever their letter case.
    const auto choose = [&](const char* name) {
        answerFileDialog([&, name](QFileDialog& dialog) {
            EXPECT_EQ(dialog.directory().absolutePath(), demo("Diesel"));
            dialog.setDirectory(qpath(files));
            EXPECT_TRUE(QTest::qWaitFor([&] { return listed(dialog).contains("Audition.WAV"); }))
                << listed(dialog).join(", ").toStdString();
            EXPECT_FALSE(listed(dialog).contains("notes.txt"));
            // Typed into the name field and entered, as a user would.
            auto* edit = dialog.findChild<QLineEdit*>("fileNameEdit");
            ASSERT_NE(edit, nullptr);
            edit->setText(name);
            QTest::keyClick(edit, Qt::Key_Return);
        });
        menuItem->trigger();
    };
    choose("Audition.WAV");
    EXPECT_TRUE(window->engine().SingleFileMode);
    EXPECT_FALSE(throttle->isEnabled());
    EXPECT_TRUE(control<QPushButton>("BtHorn")->isHidden());

    // Start: its name, its length and a progress bar; it repeats until Stop, which ends it
    // the way the diesel folder still chosen stops.
    QTest::mouseClick(control<QPushButton>("BtStart"), Qt::LeftButton);
    EXPECT_EQ(file2(), "Audition.WAV");
    EXPECT_EQ(text("Label2"), "Audition.WAV");
    EXPECT_EQ(text("Label3"), "0.500 sec");
    EXPECT_TRUE(waitFor([&] { return control<QProgressBar>("ProgressBar1")->isVisible(); }));
    QTest::qWait(1200);
    EXPECT_TRUE(window->mixerChannel2()->isPlaying());
    QTest::mouseClick(control<QPushButton>("BtStop"), Qt::LeftButton);
    EXPECT_EQ(listener.opened2.back(), "stop.wav");
    EXPECT_EQ(file2(), "");

    // A file the decoder cannot read: one error at Start that names it.
    choose("broken.wav");
    QTest::mouseClick(control<QPushButton>("BtStart"), Qt::LeftButton);
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors.front().contains(qpath(files / "broken.wav")))
        << errors.front().toStdString();
    EXPECT_FALSE(window->engine().Playing);

    // Cancelled: single-file mode is left and the throttle is back, so Start plays the
    // folder again and gives the throttle the keys.
    answerFileDialog([](QFileDialog& dialog) { dialog.reject(); });
    menuItem->trigger();
    EXPECT_FALSE(window->engine().SingleFileMode);
    EXPECT_TRUE(throttle->isEnabled());
    QTest::mouseClick(control<QPushButton>("BtStart"), Qt::LeftButton);
    EXPECT_EQ(file2(), "start.wav");
    EXPECT_EQ(window->focusWidget(), throttle);
    EXPECT_EQ(errors.size(), 1);
}

} // namespace
