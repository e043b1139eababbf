// The demo sets played through the real window: Start, the arrow keys on the focused
// throttle, the volume slider and Stop, checked by the files each channel has open, what
// the device plays, and what the labels, gauges and status line show.
#include "ShownWindowTest.h"

#include "audio/ManualSoundSystem.h"
#include "audio/MixerChannel.h"
#include "shell/Toolkit.h"
#include "widgets/Gauge.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

using namespace ws;
using namespace ws::test;

namespace {

constexpr double Pi = 3.14159265358979323846;
constexpr int Patience = 20000; // ms; far beyond any wait a test here needs

// Amplitude of the component at `hz` (Hann window), for telling which pitch sounds.
double level(const std::vector<float>& x, double hz, double rate) {
    double re = 0.0, im = 0.0;
    const double n = double(x.size());
    for (std::size_t i = 0; i < x.size(); ++i) {
        const double w = 0.5 - 0.5 * std::cos(2.0 * Pi * double(i) / n);
        re += w * x[i] * std::cos(2.0 * Pi * hz * double(i) / rate);
        im -= w * x[i] * std::sin(2.0 * Pi * hz * double(i) / rate);
    }
    return std::hypot(re, im) / n;
}

} // namespace

class PlayingTest : public ShownWindowTest {
protected:
    int fader(const char* name) { return control<Gauge>(name)->Progress(); }
    // A key as the user types it: to whatever has the keyboard focus.
    static void press(Qt::Key key) {
        QWidget* focused = QApplication::focusWidget();
        ASSERT_NE(focused, nullptr);
        QTest::keyClick(focused, key);
    }
};

TEST_F(PlayingTest, DieselStartsNotchesUpByTheArrowKeysAndStops) {
    startShown("Diesel");
    Listener listener(*window);
    auto* throttle = control<TrackBar>("Throttle1");
    auto playing = [](const MixerChannel* c) { return c && c->State() == ChannelState::csPlaying; };

    QTest::mouseClick(control<QPushButton>("BtStart"), Qt::LeftButton);
    EXPECT_EQ(file2(), "start.wav");
    EXPECT_TRUE(playing(window->mixerChannel2()));
    EXPECT_EQ(file1(), "");
    EXPECT_EQ(text("Label2"), "start.wav");
    EXPECT_EQ(text("Label3"), "2.000 sec");
    EXPECT_EQ(window->statusText(), "Change speed/throttle with up/down keys.");
    EXPECT_EQ(QApplication::focusWidget(), throttle) << "Start gives the throttle the keys";
    EXPECT_EQ(throttle->Position(), 8);

    // 130 ms before the start sound ends, the idle loop takes over.
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return file1() == "idle 1.wav" && file2().empty(); }, Patience));
    EXPECT_TRUE(playing(window->mixerChannel1()));
    EXPECT_TRUE(window->mixerChannel1()->Loop());
    EXPECT_EQ(text("Label2"), "idle 1.wav");
    EXPECT_EQ(text("Label3"), "   ");
    EXPECT_EQ(fader("Fader1"), 100);
    EXPECT_EQ(fader("Fader2"), 0);
    EXPECT_TRUE(control<QProgressBar>("ProgressBar1")->isHidden());

    // Up moves the thumb up, one notch more throttle: the transition replaces the idle loop.
    press(Qt::Key_Up);
    EXPECT_EQ(throttle->Position(), 7);
    EXPECT_EQ(file2(), "up 1 - 2.wav");
    EXPECT_TRUE(playing(window->mixerChannel2()));
    EXPECT_EQ(file1(), "");
    EXPECT_EQ(text("Label2"), "up 1 - 2.wav");
    EXPECT_EQ(text("Label3"), "1.500 sec");
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return file1() == "idle 2.wav" && file2().empty(); }, Patience));
    EXPECT_TRUE(window->mixerChannel1()->Loop());

    // Three notches at once: each transition replaces the one before, and only the idle
    // loop of the last notch follows.
    press(Qt::Key_Up);
    press(Qt::Key_Up);
    press(Qt::Key_Up);
    EXPECT_EQ(throttle->Position(), 4);
    EXPECT_EQ(file2(), "up 4 - 5.wav");
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return file1() == "idle 5.wav" && file2().empty(); }, Patience));
    listener.look();
    EXPECT_EQ(listener.opened1,
              (std::vector<std::string>{"idle 1.wav", "idle 2.wav", "idle 5.wav"}));

    // Down moves the thumb back towards idle.
    press(Qt::Key_Down);
    EXPECT_EQ(throttle->Position(), 5);
    EXPECT_EQ(file2(), "down 5 - 4.wav");
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return file1() == "idle 4.wav" && file2().empty(); }, Patience));

    // Stop sounds "stop.wav" over the idle loop, then silence.
    QTest::mouseClick(control<QPushButton>("BtStop"), Qt::LeftButton);
    EXPECT_EQ(control<QPlainTextEdit>("Memo1")->toPlainText().split('\n').back(),
              demo("Diesel") + "/stop.wav");
    EXPECT_EQ(file1(), "");
    EXPECT_EQ(file2(), "");
    EXPECT_EQ(throttle->Position(), 8);
    EXPECT_EQ(throttle->Max(), 8);
    EXPECT_EQ(text("Label2"), " ");
    EXPECT_EQ(text("Label3"), "   ");
    EXPECT_EQ(window->statusText(), "");
    EXPECT_TRUE(control<QProgressBar>("ProgressBar1")->isHidden());
    EXPECT_EQ(listener.opened2,
              (std::vector<std::string>{"start.wav", "up 1 - 2.wav", "up 2 - 3.wav", "up 3 - 4.wav",
                                        "up 4 - 5.wav", "down 5 - 4.wav", "stop.wav"}));
    EXPECT_TRUE(errors.isEmpty()) << errors.join("; ").toStdString();
}

TEST_F(PlayingTest, ElectricLoopFollowsTheThrottleInPitchAndGain) {
    startShown("Electric");
    auto* throttle = control<TrackBar>("Throttle1");
    const double whine = 1860.0; // the demo loop's fundamental at its own rate

    QTest::mouseClick(control<QPushButton>("BtStart"), Qt::LeftButton);
    MixerChannel* loop = window->mixerChannel1();
    ASSERT_NE(loop, nullptr);
    EXPECT_EQ(file1(), "engine_loop.wav");
    EXPECT_EQ(loop->State(), ChannelState::csPlaying);
    EXPECT_TRUE(loop->Loop());
    EXPECT_EQ(file2(), "");
    ASSERT_EQ(loop->SamplesPerSec(), 44100u);
    EXPECT_EQ(loop->Frequency(), 30870) << "idle runs at 0.7 of the loop's rate";
    EXPECT_EQ(fader("Fader1"), 44);
    EXPECT_EQ(fader("Fader2"), 44);
    EXPECT_EQ(text("Label1"), "100");
    EXPECT_EQ(text("Label2"), "engine_loop.wav");
    EXPECT_EQ(window->statusText(), "Change speed/throttle with up/down keys.");
    ASSERT_EQ(QApplication::focusWidget(), throttle);

    ManualDevice* out = device();
    ASSERT_NE(out, nullptr);
    // What the device plays, once any change has settled.
    auto heard = [&] {
        render(*out, 4096);
        return render(*out, 16384);
    };
    std::vector<float> x = heard();
    EXPECT_GT(level(x, 0.7 * whine, 44100), 10 * level(x, whine, 44100));
    EXPECT_GT(level(x, 0.7 * whine, 44100), 10 * level(x, 0.8 * whine, 44100));

    press(Qt::Key_Up);
    EXPECT_EQ(throttle->Position(), 7);
    EXPECT_EQ(loop->Frequency(), 35280);
    EXPECT_EQ(fader("Fader1"), 50);
    x = heard();
    EXPECT_GT(level(x, 0.8 * whine, 44100), 10 * level(x, 0.7 * whine, 44100))
        << "a notch up raises the pitch";

    press(Qt::Key_Down);
    EXPECT_EQ(throttle->Position(), 8);
    EXPECT_EQ(fader("Fader2"), 44);
    x = heard();
    EXPECT_GT(level(x, 0.7 * whine, 44100), 10 * level(x, 0.8 * whine, 44100));

    // Half volume: log10(50) x 2500 x 0.4375, rounded, less 5000.
    control<TrackBar>("Volume1")->setPosition(50);
    EXPECT_EQ(text("Label1"), "50");
    EXPECT_EQ(loop->Volume(), -3142);

    QTest::mouseClick(control<QPushButton>("BtStop"), Qt::LeftButton);
    EXPECT_EQ(loop->State(), ChannelState::csStopped);
    EXPECT_EQ(fader("Fader1"), 100);
    EXPECT_EQ(loop->Volume(), -753) << "Stop restores the full gain";
    EXPECT_EQ(window->statusText(), "");
    EXPECT_EQ(text("Label2"), " ");
    EXPECT_TRUE(errors.isEmpty()) << errors.join("; ").toStdString();
}

TEST_F(PlayingTest, ClosingWhileAHandOverIsPendingEndsTheSoundQuietly) {
    startShown("Diesel");
    QTest::mouseClick(control<QPushButton>("BtStart"), Qt::LeftButton);
    ASSERT_TRUE(control<Timer>("Timer1")->Enabled()) << "the start sound's hand-over is due";
    window->close();
    EXPECT_EQ(window->mixerChannel2(), nullptr);
    // Past the moment the hand-over was due: it must not reach for the freed channels.
    QTest::qWait(control<Timer>("Timer1")->Interval() + 500);
    EXPECT_TRUE(errors.isEmpty()) << errors.join("; ").toStdString();
}
