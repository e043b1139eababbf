// The toolkit behaviours the handlers rely on: timers, track bars, the handler boundary,
// the focus refusal, and the path helpers.
#include "shell/Toolkit.h"
#include "shell/PathText.h"

#include <QElapsedTimer>
#include <QPushButton>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

using namespace ws;

namespace {
struct MessageLog {
    MessageLog() {
        setMessageResponder([this](const QString& text, bool isError) {
            (isError ? errors : messages) << text;
            return true;
        });
    }
    ~MessageLog() { setMessageResponder(nullptr); }
    QStringList messages, errors;
};
} // namespace

TEST(TimerTest, RewritingTheSameValueDoesNotRestartTheCount) {
    Timer timer;
    int ticks = 0;
    timer.setOnTimer([&] { ++ticks; });
    timer.setInterval(300);
    timer.setEnabled(true);
    QElapsedTimer clock;
    clock.start();
    // Keep writing the values it holds; a restart on every write would never let it fire.
    while (ticks == 0 && clock.elapsed() < 5000) {
        timer.setInterval(300);
        timer.setEnabled(true);
        QTest::qWait(20);
    }
    EXPECT_GE(ticks, 1);
}

TEST(TimerTest, RealChangesRestartOrStop) {
    Timer timer;
    int ticks = 0;
    timer.setOnTimer([&] { ++ticks; });
    EXPECT_EQ(timer.Interval(), 1000);
    EXPECT_FALSE(timer.Enabled());
    timer.setInterval(50);
    QTest::qWait(200);
    EXPECT_EQ(ticks, 0) << "a disabled timer never fires";
    timer.setEnabled(true);
    QTRY_VERIFY_WITH_TIMEOUT(ticks >= 2, 5000);
    timer.setEnabled(false);
    const int stoppedAt = ticks;
    QTest::qWait(200);
    EXPECT_EQ(ticks, stoppedAt);
}

TEST(TimerTest, AnExceptionInTheHandlerIsShownAndTheTimerGoesOn) {
    MessageLog log;
    Timer timer;
    int ticks = 0;
    timer.setOnTimer([&] {
        ++ticks;
        throw std::runtime_error("tick failed");
    });
    timer.setInterval(20);
    timer.setEnabled(true);
    QTRY_VERIFY_WITH_TIMEOUT(ticks >= 2, 5000);
    timer.setEnabled(false);
    ASSERT_FALSE(log.errors.isEmpty());
    EXPECT_EQ(log.errors.front(), "tick failed");
}

TEST(TrackBarTest, ChangeHandlerRunsOnRealChangesIncludingClamping) {
    TrackBar bar;
    int changes = 0;
    bar.setMin(1);
    bar.setMax(8);
    bar.setPosition(8);
    bar.setOnChange([&] { ++changes; });

    bar.setPosition(8);
    EXPECT_EQ(changes, 0) << "writing the value it holds runs nothing";
    bar.setPosition(5);
    EXPECT_EQ(changes, 1);
    bar.setMax(3); // clamps the position
    EXPECT_EQ(bar.Position(), 3);
    EXPECT_EQ(changes, 2);
    bar.setMin(1);
    EXPECT_EQ(changes, 2);
}

TEST(TrackBarTest, VerticalWithTheMinimumAtTheTopAndUpMovingTowardsIt) {
    QWidget window;
    auto* bar = new TrackBar(&window);
    bar->setGeometry(0, 0, 40, 150);
    bar->setMin(1);
    bar->setMax(8);
    bar->setPosition(5);
    window.show();
    EXPECT_EQ(bar->orientation(), Qt::Vertical);
    bar->setFocus();
    QTest::keyClick(bar, Qt::Key_Up);
    EXPECT_EQ(bar->Position(), 4);
    QTest::keyClick(bar, Qt::Key_Down);
    QTest::keyClick(bar, Qt::Key_Down);
    EXPECT_EQ(bar->Position(), 6);
    // A click near the top of the groove moves the thumb towards the minimum.
    QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(20, 2));
    EXPECT_LT(bar->Position(), 6);
}

TEST(FocusTest, DisabledOrHiddenControlsAndTheirChildrenRefuseTheFocus) {
    QWidget window;
    auto* panel = new QWidget(&window);
    auto* button = new QPushButton("b", panel);
    window.show();
    EXPECT_NO_THROW(focusControl(button));

    panel->setEnabled(false);
    try {
        focusControl(button);
        FAIL() << "focus given to a control of a disabled panel";
    } catch (const std::exception& e) {
        EXPECT_STREQ(e.what(), "Cannot focus a disabled or invisible window");
    }
    panel->setEnabled(true);
    button->hide();
    EXPECT_THROW(focusControl(button), UserError);
}

TEST(HandlerTest, AnEscapingErrorEndsTheHandlerWithAnErrorBox) {
    MessageLog log;
    bool after = false;
    runHandler(nullptr, [&] {
        throw std::runtime_error("first line\rsecond line");
        after = true;
    });
    EXPECT_FALSE(after);
    ASSERT_EQ(log.errors.size(), 1);
    EXPECT_EQ(log.errors.front(), "first line\nsecond line");

    QPushButton button;
    int clicks = 0;
    QObject::connect(&button, &QPushButton::clicked, &button, handler(&button, [&] {
        ++clicks;
        throw std::runtime_error("again");
    }));
    button.click();
    button.click();
    EXPECT_EQ(clicks, 2) << "the program goes on after the box";
    EXPECT_EQ(log.errors.size(), 3);
}

TEST(PathTextTest, StripTrailingDelimiterRemovesExactlyOneSeparator) {
    EXPECT_EQ(stripTrailingDelimiter("/trains/Loco A/"), "/trains/Loco A");
    EXPECT_EQ(stripTrailingDelimiter("/trains/Loco A//"), "/trains/Loco A/");
    EXPECT_EQ(stripTrailingDelimiter("/trains/Loco A"), "/trains/Loco A");
    EXPECT_EQ(stripTrailingDelimiter("/"), "/");
    EXPECT_EQ(stripTrailingDelimiter(""), "");
}

TEST(PathTextTest, LastNameAndExtension) {
    EXPECT_EQ(lastName("/trains/Loco A"), "Loco A");
    EXPECT_EQ(lastName("/trains/Loco A/"), "");
    EXPECT_EQ(lastName("Loco A"), "Loco A");
    EXPECT_EQ(lowerExtension("/trains/HORN.WAV"), ".wav");
    EXPECT_EQ(lowerExtension("/trains/a.b/horn"), "");
    EXPECT_EQ(lowerExtension("/trains/horn.Wav.mp3"), ".mp3");
    EXPECT_EQ(lowerExtension("/trains/Ä.WÄV"), ".wÄv") << "only A to Z are lower-cased";
}
