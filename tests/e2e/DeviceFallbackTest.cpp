// The Device menu after the sound system has moved to another driver: the window lists the
// devices of the driver now in use, and choosing one of them plays there.
#include "PulseServer.h"
#include "QtPath.h"
#include "Signals.h"
#include "TestSupport.h"
#include "audio/Mixer.h"
#include "audio/SdlSoundSystem.h"
#include "shell/MainWindow.h"
#include "shell/Toolkit.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <gtest/gtest.h>

using namespace ws;
using namespace ws::test;

TEST(DeviceFallbackTest, TheMenuListsTheDevicesOfTheDriverFallenBackTo) {
    if (PulseServer::program().empty())
        GTEST_SKIP() << "pulseaudio is not installed; the whole chain is not tested";
    PulseServer server(std::vector<PulseServer::Sink>{{"ws_alpha", "Whistlestop Alpha"}});
    ASSERT_TRUE(server.running()) << server.error();
    TempDir dir;
    touch(dir / "asound.conf");
    ScopedEnv env;
    env.set("SDL_AUDIODRIVER", "");                              // SDL picks the driver
    env.set("ALSA_CONFIG_PATH", (dir / "asound.conf").string()); // ALSA has no devices at all
    // The server cannot be reached while the window lists the devices: SDL starts on a
    // driver that has nothing to open.
    env.set("PULSE_SERVER", "unix:" + (dir / "nobody-here").string());
    struct Installed {
        std::unique_ptr<SoundSystem> previous;
        ~Installed() {
            setSoundSystem(std::move(previous));
            loadDeviceLists();
        }
    } installed{setSoundSystem(std::make_unique<SdlSoundSystem>())};
    loadDeviceLists();

    const std::vector<int16_t> data = noise(2 * 44100, 5, 16000);
    writeWav(dir / "one.wav", 2, 44100, 16, data);
    QStringList errors;
    setMessageResponder([&](const QString& text, bool) {
        errors << text;
        return true;
    });
    StartOptions options;
    options.settingsFile = qpath(dir / "whistlestop.ini");
    MainWindow window(options);
    auto* menu = window.findChild<QMenu*>("Device1");
    const auto item = [&](const QString& text) -> QAction* {
        for (QAction* a : menu->actions())
            if (a->text() == text)
                return a;
        return nullptr;
    };
    ASSERT_EQ(item("Whistlestop Alpha"), nullptr);

    // The first Play opens the default device; SDL falls back to the driver that now
    // reaches the server.
    env.set("PULSE_SERVER", server.address());
    MixerChannel& channel = *window.channel1();
    channel.setFileName((dir / "one.wav").string());
    channel.play();
    channel.stop();
    QCoreApplication::processEvents();
    QAction* alpha = item("Whistlestop Alpha");
    ASSERT_NE(alpha, nullptr) << "the menu still lists the first driver's devices";
    EXPECT_TRUE(menu->actions().front()->isChecked()) << "the default device stays chosen";

    alpha->trigger();
    EXPECT_TRUE(alpha->isChecked());
    auto recording = server.record("ws_alpha");
    ASSERT_TRUE(recording);
    ASSERT_TRUE(recording->waitFor(4410, 30.0));
    channel.play();
    recording->waitFor(2 * 44100, 30.0);
    const auto heard = heardFrom(recording->stop(), data, 1024);
    channel.stop();
    ASSERT_TRUE(heard) << "the chosen device did not sound the file";
    EXPECT_GE(heard->frames, 44100u / 2);
    EXPECT_TRUE(errors.isEmpty()) << errors.join("; ").toStdString();
    setMessageResponder(nullptr);
}
