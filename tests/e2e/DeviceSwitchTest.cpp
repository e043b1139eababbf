// The whole chain on a real sound server: the main window's device menu lists a private
// PulseAudio's sinks, a channel streams a file longer than its ring to the chosen sink
// (recorded from the sink's monitor and compared with the file), and after the user picks
// the other sink the next Play sounds there.
#include "PulseServer.h"
#include "ServerWindow.h"
#include "Signals.h"
#include "TestSupport.h"
#include "audio/Mixer.h"
#include "audio/SdlSoundSystem.h"

#include <gtest/gtest.h>

#include <optional>

using namespace ws;
using namespace ws::test;

namespace {
// A sound server may drop up to one device period of the head of a new stream on a sink's
// monitor while it starts the stream, never more.
constexpr std::size_t DevicePeriod = SdlSoundSystem::DevicePeriod;
} // namespace

TEST(DeviceSwitchTest, TheChosenSinkPlaysTheFileAndASwitchMovesTheNextPlay) {
    if (PulseServer::program().empty())
        GTEST_SKIP() << "pulseaudio is not installed; the whole chain is not tested";
    PulseServer server({{"ws_sink_a", "Whistlestop Sink A"}, {"ws_sink_b", "Whistlestop Sink B"}});
    ASSERT_TRUE(server.running()) << server.error();
    server.useForThisProcess();
    loadDeviceLists();

    TempDir dir;
    // Six seconds of 16-bit stereo at the device's rate: longer than the four-second ring.
    const std::vector<int16_t> data = noise(6 * 44100 * 2, 7, 16000);
    const auto file = dir / "long.wav";
    writeWav(file, 2, 44100, 16, data);

    ServerWindow user(dir);
    MainWindow& window = *user.window;
    QAction* sinkA = user.deviceItem("Whistlestop Sink A");
    QAction* sinkB = user.deviceItem("Whistlestop Sink B");
    ASSERT_NE(sinkA, nullptr);
    ASSERT_NE(sinkB, nullptr);
    EXPECT_TRUE(user.deviceMenu()->actions().front()->isChecked());
    EXPECT_EQ(user.deviceMenu()->actions().size(), 3) << "default and two sinks";

    sinkA->trigger();
    EXPECT_TRUE(sinkA->isChecked());
    MixerChannel& channel = *window.mixerChannel1();
    channel.setFileName(file.string());
    {
        auto onA = server.record("ws_sink_a");
        auto onB = server.record("ws_sink_b");
        // The recorders must be running before the file starts, or its first frames are lost.
        ASSERT_TRUE(onA->waitFor(4410, 30.0));
        ASSERT_TRUE(onB->waitFor(4410, 30.0));
        channel.play();
        onA->waitFor(8 * 44100, 30.0);
        const std::vector<int16_t> recA = onA->stop();
        const std::vector<int16_t> recB = onB->stop();
        const std::optional<Heard> heard = heardFrom(recA, data, DevicePeriod);
        ASSERT_TRUE(heard) << "sink A did not sound the file unchanged";
        EXPECT_EQ(heard->leadIn + heard->frames, data.size() / 2)
            << "the whole file, bit for bit, through the ring and the sink: "
            << describeBreak(recA, data, *heard);
        EXPECT_TRUE(silent(recA, 2 * (heard->at + heard->frames)))
            << "the file sounds once and then the ring's silence";
        EXPECT_TRUE(silent(recB)) << "the other sink stays silent";
    }

    sinkB->trigger();
    EXPECT_TRUE(sinkB->isChecked());
    EXPECT_FALSE(sinkA->isChecked());
    EXPECT_EQ(channel.FileName(), file.string()) << "the switch keeps the file";
    {
        auto onA = server.record("ws_sink_a");
        auto onB = server.record("ws_sink_b");
        ASSERT_TRUE(onA->waitFor(4410, 30.0));
        ASSERT_TRUE(onB->waitFor(4410, 30.0));
        channel.play();
        onB->waitFor(4 * 44100, 30.0);
        const std::vector<int16_t> recB = onB->stop();
        const std::vector<int16_t> recA = onA->stop();
        channel.stop();
        const std::optional<Heard> heard = heardFrom(recB, data, DevicePeriod);
        ASSERT_TRUE(heard) << "sink B did not sound the file unchanged";
        EXPECT_GE(heard->frames, std::size_t(44100))
            << "the next Play starts the file from its beginning on the new sink: "
            << describeBreak(recB, data, *heard);
        EXPECT_TRUE(silent(recA));
    }
    EXPECT_TRUE(user.boxes.isEmpty()) << user.boxes.join("; ").toStdString();
}
