// The toolkit behaviours the handlers rely on: timers, track bars, the handler boundary,
// the focus refusal, and the path helpers.
#include "shell/Toolkit.h"
#include "shell/PathText.h"

#include <QElapsedTimer>
#include <QPushButton>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

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
    QElapsedTimer clock;
    clock.start();
    QList<qint64> ticks; // when each tick came, in ns since the start
    timer.setOnTimer([&] { ticks << clock.nsecsElapsed(); });
    EXPECT_EQ(timer.Interval(), 1000);
    EXPECT_FALSE(timer.Enabled());
    timer.setInterval(50);
    QTest::qWait(200);
    EXPECT_TRUE(ticks.isEmpty()) << "a disabled timer never fires";

    // The first tick after a real change comes a full new interval after it, never at the
    // time the old count was due. Only lower bounds: a slow machine makes ticks later, not
    // earlier.
    const auto firstTickAfter = [&](qint64 change) {
        const auto after = [&] {
            for (qint64 t : ticks)
                if (t > change)
                    return t;
            return qint64(-1);
        };
        (void)QTest::qWaitFor([&] { return after() >= 0; }, 10000);
        return after(); // -1 when none came at all, which fails the bound below
    };
    constexpr qint64 ms = 1000 * 1000;

    timer.setInterval(300);
    timer.setEnabled(true);
    QTest::qWait(150);
    qint64 change = clock.nsecsElapsed();
    timer.setInterval(600);
    EXPECT_GE(firstTickAfter(change) - change, 600 * ms) << "a new Interval restarts the count";

    QTest::qWait(150);
    change = clock.nsecsElapsed();
    timer.setEnabled(false);
    timer.setEnabled(true);
    EXPECT_GE(firstTickAfter(change) - change, 600 * ms) << "enabling again restarts the count";

    timer.setEnabled(false);
    const qsizetype stoppedAt = ticks.size();
    QTest::qWait(700);
    EXPECT_EQ(ticks.size(), stoppedAt) << "disabling stops it";
}

TEST(TimerTest, ATickNeverComesBeforeItsInterval) {
    // A diesel hand-over is due 130 ms before its transition ends: a tick even a little
    // early cuts the transition short. Several intervals, so their due times fall at many
    // different points of the clock's second.
    QElapsedTimer clock;
    std::vector<std::unique_ptr<Timer>> timers;
    std::vector<qint64> firstTick;
    clock.start();
    for (int i = 0; i < 12; ++i) {
        const int interval = 200 + 37 * i;
        timers.push_back(std::make_unique<Timer>());
        firstTick.push_back(-1);
        timers.back()->setInterval(interval);
        timers.back()->setOnTimer([&, i] {
            if (firstTick[i] < 0)
                firstTick[i] = clock.nsecsElapsed();
        });
    }
    std::vector<qint64> enabledAt;
    for (auto& timer : timers) {
        enabledAt.push_back(clock.nsecsElapsed());
        timer->setEnabled(true);
    }
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return std::ranges::none_of(firstTick, [](qint64 t) { return t < 0; }); }, 10000));
    for (std::size_t i = 0; i < timers.size(); ++i)
        EXPECT_GE(firstTick[i] - enabledAt[i], qint64(timers[i]->Interval()) * 1000 * 1000)
            << "interval " << timers[i]->Interval() << " ms";
}

TEST(TimerTest, AnExceptionInTheHandlerIsShownAndTheTimerGoesOn) {
    // The error box is modal: it runs the event loop while it waits for the user, so the
    // timer's ticks keep coming. None of them may start the handler again, or the boxes
    // would nest without end.
    QStringList errors;
    int boxesOpen = 0;
    int mostBoxesOpen = 0;
    int runsWhileABoxIsOpen = 0;
    setMessageResponder([&](const QString& text, bool isError) {
        if (isError)
            errors << text;
        mostBoxesOpen = std::max(mostBoxesOpen, ++boxesOpen);
        if (boxesOpen == 1)
            QTest::qWait(300); // the user reads the box
        --boxesOpen;
        return true;
    });
    Timer timer;
    int ticks = 0;
    timer.setOnTimer([&] {
        ++ticks;
        if (boxesOpen > 0)
            ++runsWhileABoxIsOpen;
        // Each step sets the next step's interval before it fails, which restarts the count.
        timer.setInterval(timer.Interval() == 20 ? 21 : 20);
        throw std::runtime_error("tick failed");
    });
    timer.setInterval(20);
    timer.setEnabled(true);
    const bool wentOn = QTest::qWaitFor([&] { return ticks >= 2; }, 5000);
    timer.setEnabled(false);
    setMessageResponder(nullptr);
    EXPECT_TRUE(wentOn) << "the timer goes on after the box";
    ASSERT_FALSE(errors.isEmpty());
    EXPECT_EQ(errors.front(), "tick failed");
    EXPECT_EQ(mostBoxesOpen, 1);
    EXPECT_EQ(runsWhileABoxIsOpen, 0);
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
