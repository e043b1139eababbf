// The Device menu after the sound system has moved to another driver: the window lists the
// devices of the driver now in use, and choosing one of them plays there.
#include "DriverFallback.h"
#include "PulseServer.h"
#include "ServerWindow.h"
#include "Signals.h"
#include "TestSupport.h"
#include "audio/SdlSoundSystem.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

using namespace ws;
using namespace ws::test;

TEST(DeviceFallbackTest, TheMenuListsTheDevicesOfTheDriverFallenBackTo) {
    if (PulseServer::program().empty())
        GTEST_SKIP() << "pulseaudio is not installed; the whole chain is not tested";
    PulseServer server(std::vector<PulseServer::Sink>{{"ws_alpha", "Whistlestop Alpha"}});
    ASSERT_TRUE(server.running()) << server.error();
    // The server cannot be reached while the window lists the devices.
    DriverFallback fallback(server);
    TempDir dir;
    const std::vector<int16_t> data = noise(2 * 44100, 5, 16000);
    writeWav(dir / "one.wav", 2, 44100, 16, data);
    ServerWindow user(dir);
    MainWindow& window = *user.window;
    ASSERT_EQ(user.deviceItem("Whistlestop Alpha"), nullptr);

    // The first Play opens the default device; SDL falls back to the driver that now
    // reaches the server.
    fallback.reach();
    MixerChannel& channel = *window.mixerChannel1();
    channel.setFileName((dir / "one.wav").string());
    channel.play();
    channel.stop();
    QCoreApplication::processEvents();
    QAction* alpha = user.deviceItem("Whistlestop Alpha");
    ASSERT_NE(alpha, nullptr) << "the menu still lists the first driver's devices";
    EXPECT_TRUE(user.deviceMenu()->actions().front()->isChecked())
        << "the default device stays chosen";

    alpha->trigger();
    EXPECT_TRUE(alpha->isChecked());
    auto recording = server.record("ws_alpha");
    ASSERT_TRUE(recording);
    ASSERT_TRUE(recording->waitFor(4410, 30.0));
    channel.play();
    recording->waitFor(2 * 44100, 30.0);
    const auto heard = heardFrom(recording->stop(), data, SdlSoundSystem::DevicePeriod);
    channel.stop();
    ASSERT_TRUE(heard) << "the chosen device did not sound the file";
    EXPECT_GE(heard->frames, 44100u / 2);
    EXPECT_TRUE(user.boxes.isEmpty()) << user.boxes.join("; ").toStdString();
}
