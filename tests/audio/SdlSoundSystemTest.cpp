// The SDL2 back end against a real sound server: a private PulseAudio with two null sinks.
// What a buffer plays is recorded from the sink's monitor and compared with what was put
// in; the other sink must stay silent; a server that dies makes the device lost.
#include "audio/SdlSoundSystem.h"
#include "DriverFallback.h"
#include "LogCapture.h"
#include "PulseServer.h"
#include "Signals.h"
#include "audio/CallbackPacing.h"
#include "audio/Mixer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <thread>

namespace ws {
namespace {

using namespace std::chrono_literals;

using test::longestTiledRun;
using test::noise;
using test::ScopedEnv;
using test::silent;

// The level of the test noise, below full scale.
constexpr int NoisePeak = 20000;

std::unique_ptr<SoundBuffer> loopingBuffer(SoundDevice& device, const std::vector<int16_t>& data) {
    std::unique_ptr<SoundBuffer> b;
    EXPECT_EQ(device.createSoundBuffer(WaveFormat::pcm(2, 44100, 16),
                                       static_cast<uint32_t>(data.size() * 2), &b),
              DeviceResult::Ok);
    if (!b)
        return b;
    void *p1, *p2;
    uint32_t n1, n2;
    EXPECT_EQ(b->lock(0, b->size(), &p1, &n1, &p2, &n2), DeviceResult::Ok);
    std::memcpy(p1, data.data(), n1);
    EXPECT_EQ(b->unlock(p1, n1, p2, n2), DeviceResult::Ok);
    return b;
}

class SdlOnPulse : public ::testing::Test {
protected:
    void SetUp() override {
        if (test::PulseServer::program().empty())
            GTEST_SKIP() << "pulseaudio is not installed; the SDL back end is not tested";
        server_ = std::make_unique<test::PulseServer>(std::vector<test::PulseServer::Sink>{
            {"ws_alpha", "Whistlestop Alpha"}, {"ws_beta", "Whistlestop Beta"}});
        ASSERT_TRUE(server_->running()) << server_->error();
        env_.set("PULSE_SERVER", server_->address());
        env_.set("SDL_AUDIODRIVER", "pulseaudio");
    }

    std::string idOf(SoundSystem& system, const std::string& description) {
        for (const auto& d : system.enumerateDevices())
            if (d.description == description)
                return d.id;
        ADD_FAILURE() << "no device " << description;
        return {};
    }

    ScopedEnv env_;
    std::unique_ptr<test::PulseServer> server_;
};

TEST_F(SdlOnPulse, TheListShowsTheDefaultFirstThenBothSinks) {
    SdlSoundSystem system;
    const auto list = system.enumerateDevices();
    ASSERT_GE(list.size(), 3u);
    EXPECT_EQ(list[0].description, SdlSoundSystem::DefaultDeviceDescription);
    EXPECT_EQ(list[0].id, "");
    EXPECT_FALSE(idOf(system, "Whistlestop Alpha").empty());
    EXPECT_FALSE(idOf(system, "Whistlestop Beta").empty());
    EXPECT_NE(idOf(system, "Whistlestop Alpha"), idOf(system, "Whistlestop Beta"));
}

TEST_F(SdlOnPulse, EachDeviceSoundsOnItsOwnSinkOnly) {
    SdlSoundSystem system;
    std::unique_ptr<SoundDevice> alpha;
    ASSERT_EQ(system.createDevice(idOf(system, "Whistlestop Alpha"), &alpha), DeviceResult::Ok);
    ASSERT_EQ(alpha->setCooperativeLevel(CooperativePriority), DeviceResult::Ok);
    ASSERT_EQ(alpha->setPrimaryFormat(WaveFormat::pcm(2, 44100, 16)), DeviceResult::Ok);
    ASSERT_EQ(alpha->playPrimary(), DeviceResult::Ok);

    const auto first = noise(2 * 11025, 1, NoisePeak); // a quarter second, looping
    auto a = loopingBuffer(*alpha, first);
    auto recAlpha = server_->record("ws_alpha");
    auto recBeta = server_->record("ws_beta");
    ASSERT_TRUE(recAlpha && recBeta);
    ASSERT_EQ(a->play(true), DeviceResult::Ok);
    recAlpha->waitFor(3 * 44100, 30.0);
    recBeta->waitFor(3 * 44100, 30.0);
    const auto heardAlpha = recAlpha->stop();
    const auto heardBeta = recBeta->stop();
    // At least two whole passes of the loop arrive bit for bit (same format end to end).
    EXPECT_GE(longestTiledRun(heardAlpha, first), 2 * 11025u)
        << heardAlpha.size() / 2 << " frames recorded";
    EXPECT_GT(heardBeta.size(), 44100u);
    EXPECT_TRUE(silent(heardBeta));

    // A second device on the other sink sounds there.
    std::unique_ptr<SoundDevice> beta;
    ASSERT_EQ(system.createDevice(idOf(system, "Whistlestop Beta"), &beta), DeviceResult::Ok);
    const auto second = noise(2 * 7000, 2, NoisePeak);
    auto b = loopingBuffer(*beta, second);
    recBeta = server_->record("ws_beta");
    ASSERT_EQ(b->play(true), DeviceResult::Ok);
    recBeta->waitFor(3 * 44100, 30.0);
    EXPECT_GE(longestTiledRun(recBeta->stop(), second), 2 * 7000u);
}

TEST_F(SdlOnPulse, FormatLevelAndSpeakerConfigAreReadBack) {
    SdlSoundSystem system;
    std::unique_ptr<SoundDevice> d;
    ASSERT_EQ(system.createDevice("", &d), DeviceResult::Ok);
    ASSERT_EQ(d->setCooperativeLevel(CooperativeExclusive), DeviceResult::Ok);
    EXPECT_EQ(d->cooperativeLevel(), CooperativeExclusive);
    ASSERT_EQ(d->setSpeakerConfig(0x00050004), DeviceResult::Ok);
    EXPECT_EQ(d->speakerConfig(), 0x00050004u);
    ASSERT_EQ(d->setPrimaryFormat(WaveFormat::pcm(1, 22050, 8)), DeviceResult::Ok);
    WaveFormat f;
    ASSERT_EQ(d->primaryFormat(&f), DeviceResult::Ok);
    EXPECT_EQ(f, WaveFormat::pcm(1, 22050, 8));
    EXPECT_EQ(d->setPrimaryFormat(WaveFormat::pcm(2, 44100, 32)), DeviceResult::BadFormat);

    // The device runs on its own: a playing buffer's cursor moves in real time.
    std::unique_ptr<SoundBuffer> b;
    ASSERT_EQ(d->createSoundBuffer(WaveFormat::pcm(1, 22050, 8), 22050, &b), DeviceResult::Ok);
    ASSERT_EQ(b->play(true), DeviceResult::Ok);
    uint32_t cursor = 0;
    for (int i = 0; i < 2000 && cursor == 0; ++i) {
        std::this_thread::sleep_for(10ms);
        ASSERT_EQ(b->currentPosition(&cursor), DeviceResult::Ok);
    }
    EXPECT_GT(cursor, 0u);
}

TEST_F(SdlOnPulse, ADeviceWhoseServerDiesIsLostWithItsBuffers) {
    SdlSoundSystem system;
    std::unique_ptr<SoundDevice> d;
    ASSERT_EQ(system.createDevice("", &d), DeviceResult::Ok);
    auto b = loopingBuffer(*d, noise(2 * 4410, 3, NoisePeak));
    ASSERT_EQ(b->play(true), DeviceResult::Ok);
    std::this_thread::sleep_for(200ms);
    EXPECT_FALSE(d->lost());
    server_->kill();
    for (int i = 0; i < 1000 && !d->lost(); ++i)
        std::this_thread::sleep_for(10ms);
    ASSERT_TRUE(d->lost());
    void *p1, *p2;
    uint32_t n1, n2;
    EXPECT_EQ(b->lock(0, 4, &p1, &n1, &p2, &n2), DeviceResult::BufferLost);
    EXPECT_EQ(b->play(true), DeviceResult::BufferLost);
    EXPECT_EQ(b->stop(), DeviceResult::Ok);
    EXPECT_EQ(b->setVolume(-100), DeviceResult::Ok);
    d.reset(); // the buffer outlives its device
    EXPECT_EQ(b->play(true), DeviceResult::BufferLost);
}

TEST_F(SdlOnPulse, AServerThatRunsDryTwiceGetsLongerPeriodsAtTheNextSound) {
    test::LogCapture log;
    SdlSoundSystem system;
    std::unique_ptr<SoundDevice> d;
    ASSERT_EQ(system.createDevice("", &d), DeviceResult::Ok);
    const auto sound = noise(2 * 11025, 4, NoisePeak);
    auto first = loopingBuffer(*d, sound);
    ASSERT_EQ(first->play(true), DeviceResult::Ok);
    auto recording = server_->record("ws_alpha"); // past the stream's start-up once it sounds
    ASSERT_TRUE(recording && recording->waitFor(44100, 30.0));
    for (int stall = 0; stall < 2; ++stall, std::this_thread::sleep_for(1s))
        server_->freeze(0.3);
    auto second = loopingBuffer(*d, sound);
    EXPECT_EQ(SdlSoundSystem::startingPeriod(), 2 * SdlSoundSystem::DevicePeriod);
    SdlSoundSystem::setStartingPeriod(SdlSoundSystem::DevicePeriod);
    EXPECT_TRUE(log.contains("ran dry 2 times with 256-frame periods; trying 512"));
    recording = server_->record("ws_alpha"); // the sound goes on in the reopened stream
    ASSERT_TRUE(recording && recording->waitFor(2 * 44100, 30.0));
    EXPECT_GE(longestTiledRun(recording->stop(), sound), 2 * 11025u);
}

TEST(SdlSoundSystem, WithoutAnyServerThereIsNoDriverAndNoCrash) {
    test::TempDir dir;
    ScopedEnv env;
    env.set("SDL_AUDIODRIVER", "pulseaudio");
    env.set("PULSE_SERVER", "unix:" + (dir.path() / "nobody-here").string());
    SdlSoundSystem system;
    const auto list = system.enumerateDevices();
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].id, "");
    std::unique_ptr<SoundDevice> d;
    EXPECT_EQ(system.createDevice("", &d), DeviceResult::NoDriver);
    EXPECT_FALSE(d);
    EXPECT_EQ(system.createDevice("Some card", &d), DeviceResult::NoDriver);
}

TEST(SdlSoundSystem, DevicesOfTheDriverFallenBackToCanBeChosen) {
    if (test::PulseServer::program().empty())
        GTEST_SKIP() << "pulseaudio is not installed; the SDL back end is not tested";
    test::PulseServer server(
        std::vector<test::PulseServer::Sink>{{"ws_alpha", "Whistlestop Alpha"}});
    ASSERT_TRUE(server.running()) << server.error();
    // The server is not reachable yet when the devices are listed at start: SDL starts on
    // a driver that has nothing to open.
    test::DriverFallback fallback(server);
    {
        Mixer mixer;
        loadDeviceLists();
        auto indexOf = [&](const std::string& description) {
            for (int32_t i = 0; i < mixer.deviceCount(); ++i)
                if (mixer.deviceName(i) == description)
                    return i;
            return -1;
        };
        ASSERT_EQ(indexOf("Whistlestop Alpha"), -1);

        // Opening the default device falls back to the driver that now reaches the server.
        fallback.reach();
        ASSERT_NO_THROW(mixer.openDevice());
        const int32_t alpha = indexOf("Whistlestop Alpha");
        ASSERT_GT(alpha, 0);
        mixer.selectDevice(alpha);
        mixer.closeDevice();
        SoundDevice* device = nullptr;
        ASSERT_NO_THROW(device = &mixer.soundDevice());

        // And it sounds there.
        const auto data = noise(2 * 11025, 4, NoisePeak);
        auto buffer = loopingBuffer(*device, data);
        ASSERT_TRUE(buffer);
        auto recording = server.record("ws_alpha");
        ASSERT_TRUE(recording);
        ASSERT_EQ(buffer->play(true), DeviceResult::Ok);
        recording->waitFor(3 * 44100, 30.0);
        EXPECT_GE(longestTiledRun(recording->stop(), data), 2 * 11025u);
    }
}

TEST(SdlSoundSystem, IsTheProcessWideDefault) {
    auto previous = setSoundSystem(nullptr);
    EXPECT_NE(dynamic_cast<SdlSoundSystem*>(&soundSystem()), nullptr);
    setSoundSystem(std::move(previous));
}

} // namespace
} // namespace ws

// The measure that decides when a device's period grows: a card that keeps pace, however
// bursty its requests (pairs of 1024 frames) and however its clock drifts against the
// system's, never counts as run dry; a callback held up beyond the buffer counts once.
TEST(CallbackPacing, CountsEachStallOnceAndNothingElse) {
    const auto dryRuns = [](double drift, double stall) {
        ws::CallbackPacing pacing(44100.0, 2048);
        int dry = pacing.ranDry(0.0, 1024); // the clock starts late: forgiven
        for (int call = 0, at = 13230; at < 600 * 44100; at += call++ % 2 ? 2048 : 0)
            dry += pacing.ranDry(at / 44100.0 * (1 + drift) + (at > 100 * 44100 ? stall : 0), 1024);
        return dry;
    };
    EXPECT_EQ(dryRuns(200e-6, 0) + dryRuns(-200e-6, 0) + dryRuns(0, 0.015), 0)
        << "cards 200 ppm slow or fast, or late by 15 ms (within the buffer)";
    EXPECT_EQ(dryRuns(100e-6, 0.2), 1) << "held up for 200 ms";
}
