// A desktop session's SIGTERM at the worst moments: during the diesel stop's wait, during a
// cross-fade, during a 3-part horn's release, and with a modal box open. The handler that
// runs finishes first; then the window closes within a second, its settings written.
#include "ShownWindowTest.h"

#include "shell/AboutBox.h"
#include "shell/CloseSignals.h"
#include "shell/Toolkit.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <csignal>
#include <functional>
#include <thread>

using namespace ws;
using namespace ws::test;

namespace {

constexpr int Patience = 20000; // ms

class ClosingTest : public ShownWindowTest {
protected:
    void SetUp() override {
        ShownWindowTest::SetUp();
        sigaction(SIGTERM, nullptr, &oldTerm_);
        catchCloseSignals();
    }
    void TearDown() override {
        ShownWindowTest::TearDown();
        sigaction(SIGTERM, &oldTerm_, nullptr);
    }

    void startClosable(const char* set) {
        startShown(set);
        closeOnSignals(*window);
        listener_ = std::make_unique<Listener>(*window);
    }

    // Sends SIGTERM as soon as `moment` holds, noting whether a handler was running then.
    void signalWhen(std::function<bool()> moment) {
        signalled_ = false;
        auto* poll = new QTimer(window.get());
        poll->setInterval(5);
        QObject::connect(poll, &QTimer::timeout, [this, poll, moment] {
            if (signalled_ || !moment())
                return;
            signalled_ = true;
            inHandler_ = handlerRunning();
            poll->stop();
            ::raise(SIGTERM);
        });
        poll->start();
    }

    // After the action that the signal interrupted has returned: the window closes within a
    // second and the settings name the asset folder.
    void expectClosedSoon(const char* set) {
        SCOPED_TRACE(set);
        ASSERT_TRUE(signalled_) << "the moment never came";
        EXPECT_TRUE(inHandler_) << "the signal came outside the handler it was meant for";
        QElapsedTimer clock;
        clock.start();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !window->isVisible(); }, Patience));
        EXPECT_LT(clock.elapsed(), 1000) << "ms from the handler's end to the close";
        EXPECT_TRUE(readSettings().contains(("current_dir=" + demo(set)).toUtf8()))
            << readSettings().toStdString();
        EXPECT_TRUE(errors.isEmpty()) << errors.join("; ").toStdString();
        listener_.reset();
        window.reset();
        QFile::remove(settingsFile());
    }

    static std::string fileOn(const MixerChannel* c) { return nameOf(c); }
    static bool playing(const MixerChannel* c) {
        return c && c->State() == ChannelState::csPlaying;
    }

    std::unique_ptr<Listener> listener_;
    bool signalled_ = false;
    bool inHandler_ = false;

private:
    struct sigaction oldTerm_ {};
};

TEST_F(ClosingTest, ASignalWaitsForTheHandlerThenClosesAndSaves) {
    // The diesel stop's wait for its 2-second stop sound, which sleeps without looking at
    // events: the signal comes from another thread half a second into the click.
    startClosable("Diesel");
    QTest::mouseClick(control<QPushButton>("BtStart"), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return file1() == "idle 1.wav"; }, Patience));
    std::atomic<bool> raised{false};
    std::thread session([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        raised = true;
        ::raise(SIGTERM);
    });
    QTest::mouseClick(control<QPushButton>("BtStop"), Qt::LeftButton);
    const bool duringStop = raised;
    session.join();
    EXPECT_TRUE(duringStop) << "the stop returned before the signal";
    EXPECT_TRUE(window->isVisible()) << "closed under the stop's wait";
    signalled_ = inHandler_ = true;
    expectClosedSoon("Diesel");

    // A cross-fade between the two channels.
    startClosable("Steam2");
    QTest::mouseClick(control<QPushButton>("BtStart"), Qt::LeftButton);
    auto* throttle = control<TrackBar>("Throttle1");
    // A loop hands over to the next by fading in on the other channel while the last one
    // fades out in the mixer: the moment the next loop appears, the fade is under way.
    std::string loop;
    signalWhen([&] {
        std::string now;
        for (const MixerChannel* c : {window->mixerChannel1(), window->mixerChannel2()})
            if (playing(c) && fileOn(c).starts_with("steam_loop"))
                now = fileOn(c);
        const bool handedOver = !loop.empty() && !now.empty() && now != loop;
        if (!now.empty())
            loop = now;
        return handedOver;
    });
    // Speeds that pick one loop after another, each fading in over the last.
    for (int position = 200; position >= 0 && !signalled_; position -= 20) {
        throttle->setPosition(position);
        QTest::qWait(300);
    }
    inHandler_ = true; // a fade runs from the timers, not under a handler
    expectClosedSoon("Steam2");

    // A 3-part horn's release, which waits for the stop part.
    startClosable("Horn3");
    auto* horn = control<QPushButton>("BtHorn");
    QTest::mousePress(horn, Qt::LeftButton);
    QTest::qWait(1500);
    // The signal is on its way as the release begins; the release's own waits see it.
    ::raise(SIGTERM);
    QTest::mouseRelease(horn, Qt::LeftButton);
    signalled_ = inHandler_ = true;
    expectClosedSoon("Horn3");

    // A horn held: the release that the window's deactivation brings after the close finds
    // nothing to let go.
    startClosable("Horn2");
    QTest::mousePress(control<QPushButton>("BtHorn"), Qt::LeftButton);
    ::raise(SIGTERM);
    QTest::qWait(1500);
    signalled_ = inHandler_ = true;
    expectClosedSoon("Horn2");

    // A modal box: Help > About.
    startClosable("Diesel");
    signalWhen([&] { return QApplication::activeModalWidget() != nullptr; });
    window->findChild<QAction*>("About1")->trigger();
    expectClosedSoon("Diesel");
}

} // namespace
