// The manual back end as the mixer device's tests use it, and the process-wide system.
#include "MixRig.h"

#include "audio/SoundDevice.h"

namespace ws {
namespace {

TEST(ManualSoundSystem, ListsItsDevicesAndOpensOnlyThose) {
    ManualSoundSystem system({{"Default", ""}, {"Card", "{1234}"}});
    EXPECT_EQ(system.enumerateDevices().size(), 2u);
    EXPECT_EQ(system.enumerateDevices()[1].description, "Card");
    EXPECT_EQ(system.current(), nullptr);

    std::unique_ptr<SoundDevice> a, b, c;
    EXPECT_EQ(system.createDevice("{1234}", &a), DeviceResult::Ok);
    EXPECT_EQ(system.lastOpenedId(), "{1234}");
    EXPECT_EQ(system.current(), a.get());
    EXPECT_EQ(system.createDevice("", &b), DeviceResult::Ok);
    EXPECT_EQ(system.current(), b.get());
    EXPECT_EQ(system.createDevice("{nope}", &c), DeviceResult::NoDriver);
    EXPECT_EQ(system.lastOpenedId(), "{nope}");
    EXPECT_FALSE(c);
    b.reset();
    EXPECT_EQ(system.current(), nullptr); // not the older one
    system.failCreateWith(DeviceResult::NoDriver);
    EXPECT_EQ(system.createDevice("", &c), DeviceResult::NoDriver);
    system.failCreateWith(0);
    EXPECT_EQ(system.createDevice("", &c), DeviceResult::Ok);
    EXPECT_EQ(system.current(), c.get());
}

TEST(ManualSoundSystem, ThePrimaryFormatIsReadBackAsAccepted) {
    ManualSoundSystem system;
    system.setDeviceRate(48000);
    std::unique_ptr<SoundDevice> d;
    ASSERT_EQ(system.createDevice("", &d), DeviceResult::Ok);
    ASSERT_EQ(d->setCooperativeLevel(CooperativePriority), DeviceResult::Ok);
    EXPECT_EQ(d->cooperativeLevel(), CooperativePriority);
    EXPECT_EQ(d->setCooperativeLevel(7), DeviceResult::InvalidParam);
    EXPECT_EQ(d->cooperativeLevel(), CooperativePriority);
    EXPECT_EQ(d->setPrimaryFormat(WaveFormat::pcm(1, 22050, 8)), DeviceResult::Ok);
    WaveFormat f;
    ASSERT_EQ(d->primaryFormat(&f), DeviceResult::Ok);
    EXPECT_EQ(f, WaveFormat::pcm(1, 48000, 8));
    EXPECT_EQ(d->setPrimaryFormat(WaveFormat::pcm(2, 44100, 24)), DeviceResult::BadFormat);
    ASSERT_EQ(d->primaryFormat(&f), DeviceResult::Ok);
    EXPECT_EQ(f, WaveFormat::pcm(1, 48000, 8));
    EXPECT_EQ(d->primaryFormat(nullptr), DeviceResult::InvalidParam);
    EXPECT_EQ(d->setSpeakerConfig(0x00050004), DeviceResult::Ok);
    EXPECT_EQ(d->speakerConfig(), 0x00050004u);
    EXPECT_EQ(d->playPrimary(), DeviceResult::Ok);

    // Without a forced rate the device takes what it is asked.
    system.setDeviceRate(0);
    std::unique_ptr<SoundDevice> e;
    ASSERT_EQ(system.createDevice("", &e), DeviceResult::Ok);
    ASSERT_EQ(e->setPrimaryFormat(WaveFormat::pcm(2, 32000, 16)), DeviceResult::Ok);
    ASSERT_EQ(e->primaryFormat(&f), DeviceResult::Ok);
    EXPECT_EQ(f, WaveFormat::pcm(2, 32000, 16));
}

TEST(ManualSoundSystem, AFormatChangeKeepsBuffersAtTheirOwnPitch) {
    // A buffer created before the device's rate changed plays at its own rate after it:
    // 1000 frames of output at 22050 Hz consume 1000 frames of a 22050 Hz buffer.
    test::MixRig rig(44100);
    auto b = rig.buffer16(std::vector<int16_t>(5000, 0), 1, 22050);
    ASSERT_EQ(rig.device->setPrimaryFormat(WaveFormat::pcm(2, 22050, 16)), DeviceResult::Ok);
    ASSERT_EQ(b->play(true), DeviceResult::Ok);
    rig.renderFloat(1000);
    EXPECT_EQ(rig.cursor(*b), 2000u);
}

TEST(ManualSoundSystem, TestsCanInstallTheProcessWideSystem) {
    auto mine = std::make_unique<ManualSoundSystem>(
        std::vector<OutputDeviceInfo>{{"One", ""}, {"Two", "2"}});
    ManualSoundSystem* raw = mine.get();
    auto previous = setSoundSystem(std::move(mine));
    EXPECT_EQ(&soundSystem(), raw);
    EXPECT_EQ(soundSystem().enumerateDevices().size(), 2u);
    auto back = setSoundSystem(std::move(previous));
    EXPECT_EQ(back.get(), raw);
}

} // namespace
} // namespace ws
