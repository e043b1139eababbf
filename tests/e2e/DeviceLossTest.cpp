// The output device goes away while the diesel plays on a real sound server: first the sink
// (a headset pulled out), then the whole server (killed and started again). The program
// goes on answering, says once per loss that the device was lost, and plays again from
// Start once the sink is back or the device is chosen again.
#include "HeardSession.h"
#include "Signals.h"

#include <QAction>
#include <QElapsedTimer>

using namespace ws;
using namespace ws::test;

namespace {

// Clicks `button` and returns how long the click took to return, in seconds.
double timedClick(HeardSession& session, const char* button) {
    QElapsedTimer clock;
    clock.start();
    session.click(button);
    return clock.elapsed() / 1000.0;
}

int lostMessages(const HeardSession& session) {
    int n = 0;
    for (const QString& box : session.boxes())
        n += box.contains("output device was lost");
    return n;
}

// True once the sink's monitor carries sound within `seconds`.
bool soundsWithin(HeardSession& session, double seconds) {
    auto recording = session.record();
    if (!recording || !recording->waitFor(4410, 30.0))
        return false;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < seconds * 1000) {
        QTest::qWait(500);
        (void)recording->waitFor(0, 0.0);
    }
    const std::vector<int16_t> heard = recording->stop();
    return !silent(heard);
}

} // namespace

TEST(DeviceLossTest, ALostSinkOrServerIsToldOnceAndStartPlaysAgainWhenItIsBack) {
    if (PulseServer::program().empty())
        GTEST_SKIP() << "pulseaudio is not installed; a device cannot be taken away";
    HeardSession session;
    ASSERT_TRUE(session.open("Diesel"));
    const double bound = 10.0; // s; the stop sound's wait is the longest any click takes

    EXPECT_LT(timedClick(session, "BtStart"), bound);
    ASSERT_TRUE(soundsWithin(session, 2.0)) << "the diesel did not play to begin with";

    // The headset is pulled out while the idle loop plays.
    ASSERT_TRUE(session.server().unloadSink(SinkName));
    ASSERT_TRUE(QTest::qWaitFor([&] { return lostMessages(session) > 0; }, Patience))
        << "the loss was not told: " << session.boxes().join("; ").toStdString();
    QTest::qWait(3000); // the engine's timers go on meanwhile
    EXPECT_EQ(lostMessages(session), 1) << session.boxes().join("; ").toStdString();

    // Plugged in again: Stop and Start play on it.
    ASSERT_TRUE(session.server().loadSink({SinkName, SinkDescription}));
    EXPECT_LT(timedClick(session, "BtStop"), bound);
    EXPECT_LT(timedClick(session, "BtStart"), bound);
    EXPECT_TRUE(soundsWithin(session, 2.0)) << session.boxes().join("; ").toStdString();

    // The whole server goes, and comes back: the device is chosen again in the menu.
    session.server().kill();
    ASSERT_TRUE(QTest::qWaitFor([&] { return lostMessages(session) > 1; }, Patience))
        << session.boxes().join("; ").toStdString();
    QTest::qWait(2000);
    EXPECT_EQ(lostMessages(session), 2) << session.boxes().join("; ").toStdString();
    ASSERT_TRUE(session.server().restart()) << session.server().error();
    EXPECT_LT(timedClick(session, "BtStop"), bound);
    QAction* sink = session.deviceItem();
    ASSERT_NE(sink, nullptr) << "the sink is not in the Device menu";
    sink->trigger();
    EXPECT_LT(timedClick(session, "BtStart"), bound);
    EXPECT_TRUE(soundsWithin(session, 2.0)) << session.boxes().join("; ").toStdString();
    EXPECT_EQ(lostMessages(session), 2) << session.boxes().join("; ").toStdString();
}
