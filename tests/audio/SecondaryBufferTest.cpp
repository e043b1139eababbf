// Secondary buffers as the channel uses them: accepted formats, range errors that change
// nothing, two-part locks, the play cursor (advance, wrap, end, moves), and device loss.
#include "MixRig.h"

#include <numeric>

namespace ws {
namespace {

using test::MixRig;

std::vector<int16_t> ramp16(std::size_t n) {
    std::vector<int16_t> v(n);
    std::iota(v.begin(), v.end(), int16_t(1));
    return v;
}

TEST(SecondaryBuffer, OnlyEightOrSixteenBitPcmOfOneOrTwoChannelsIsAccepted) {
    MixRig rig;
    std::unique_ptr<SoundBuffer> b;
    auto create = [&](WaveFormat f, uint32_t bytes) {
        b.reset();
        return rig.device->createSoundBuffer(f, bytes, &b);
    };
    EXPECT_EQ(create(WaveFormat::pcm(1, 8000, 8), 100), DeviceResult::Ok);
    EXPECT_EQ(create(WaveFormat::pcm(2, 100, 16), 400), DeviceResult::Ok);
    EXPECT_EQ(create(WaveFormat::pcm(2, 200000, 16), 400), DeviceResult::Ok);
    EXPECT_EQ(create(WaveFormat::pcm(2, 44100, 24), 600), DeviceResult::BadFormat);
    EXPECT_EQ(create(WaveFormat::pcm(3, 44100, 16), 600), DeviceResult::BadFormat);
    EXPECT_EQ(create(WaveFormat::pcm(0, 44100, 16), 600), DeviceResult::BadFormat);
    EXPECT_EQ(create(WaveFormat::pcm(1, 99, 16), 600), DeviceResult::BadFormat);
    EXPECT_EQ(create(WaveFormat::pcm(1, 200001, 16), 600), DeviceResult::BadFormat);
    WaveFormat floating = WaveFormat::pcm(1, 44100, 16);
    floating.wFormatTag = 3;
    EXPECT_EQ(create(floating, 600), DeviceResult::BadFormat);
    WaveFormat inconsistent = WaveFormat::pcm(2, 44100, 16);
    inconsistent.nBlockAlign = 2;
    EXPECT_EQ(create(inconsistent, 600), DeviceResult::BadFormat);
    EXPECT_FALSE(b);
    EXPECT_EQ(create(WaveFormat::pcm(2, 44100, 16), 0), DeviceResult::InvalidParam);
    EXPECT_EQ(create(WaveFormat::pcm(2, 44100, 16), 6), DeviceResult::InvalidParam);
    EXPECT_EQ(rig.device->createSoundBuffer(WaveFormat::pcm(1, 8000, 8), 8, nullptr),
              DeviceResult::InvalidParam);
}

TEST(SecondaryBuffer, StartsStoppedAtZeroWithNeutralSettings) {
    MixRig rig;
    std::unique_ptr<SoundBuffer> b;
    ASSERT_EQ(rig.device->createSoundBuffer(WaveFormat::pcm(2, 22050, 16), 88200, &b),
              DeviceResult::Ok);
    EXPECT_FALSE(b->playing());
    EXPECT_EQ(rig.cursor(*b), 0u);
    EXPECT_EQ(b->volume(), 0);
    EXPECT_EQ(b->pan(), 0);
    EXPECT_EQ(b->frequency(), 22050u);
    EXPECT_EQ(b->size(), 88200u);
    EXPECT_EQ(b->format(), WaveFormat::pcm(2, 22050, 16));
    // A stopped buffer is not mixed.
    for (float v : rig.renderFloat(64))
        EXPECT_EQ(v, 0.0f);
}

TEST(SecondaryBuffer, OutOfRangeSettingsAreRefusedAndChangeNothing) {
    MixRig rig;
    auto b = rig.buffer16(ramp16(100), 1, 22050);
    ASSERT_EQ(b->setVolume(-1234), DeviceResult::Ok);
    ASSERT_EQ(b->setPan(777), DeviceResult::Ok);
    ASSERT_EQ(b->setFrequency(30000), DeviceResult::Ok);
    EXPECT_EQ(b->setVolume(1), DeviceResult::InvalidParam);
    EXPECT_EQ(b->setVolume(-10001), DeviceResult::InvalidParam);
    EXPECT_EQ(b->setPan(10001), DeviceResult::InvalidParam);
    EXPECT_EQ(b->setPan(-10001), DeviceResult::InvalidParam);
    EXPECT_EQ(b->setFrequency(99), DeviceResult::InvalidParam);
    EXPECT_EQ(b->setFrequency(200001), DeviceResult::InvalidParam);
    EXPECT_EQ(b->setCurrentPosition(200), DeviceResult::InvalidParam);
    EXPECT_EQ(b->volume(), -1234);
    EXPECT_EQ(b->pan(), 777);
    EXPECT_EQ(b->frequency(), 30000u);
    EXPECT_EQ(b->currentPosition(nullptr), DeviceResult::InvalidParam);
    // The limits themselves are fine; frequency 0 is the buffer's own rate.
    EXPECT_EQ(b->setVolume(-10000), DeviceResult::Ok);
    EXPECT_EQ(b->setPan(-10000), DeviceResult::Ok);
    EXPECT_EQ(b->setFrequency(200000), DeviceResult::Ok);
    EXPECT_EQ(b->setFrequency(100), DeviceResult::Ok);
    EXPECT_EQ(b->setFrequency(0), DeviceResult::Ok);
    EXPECT_EQ(b->frequency(), 22050u);
}

TEST(SecondaryBuffer, ALockAcrossTheRingsEndComesInTwoParts) {
    MixRig rig;
    auto b = rig.buffer16(ramp16(50), 1, 44100); // 100 bytes
    void *p1, *p2;
    uint32_t n1, n2;
    ASSERT_EQ(b->lock(10, 20, &p1, &n1, &p2, &n2), DeviceResult::Ok);
    EXPECT_EQ(n1, 20u);
    EXPECT_EQ(p2, nullptr);
    EXPECT_EQ(n2, 0u);
    ASSERT_EQ(b->unlock(p1, n1, p2, n2), DeviceResult::Ok);

    ASSERT_EQ(b->lock(80, 50, &p1, &n1, &p2, &n2), DeviceResult::Ok);
    EXPECT_EQ(n1, 20u);
    ASSERT_NE(p2, nullptr);
    EXPECT_EQ(n2, 30u);
    EXPECT_EQ(static_cast<uint8_t*>(p1) - static_cast<uint8_t*>(p2), 80);
    // What is written through the parts is what plays.
    const std::vector<int16_t> fresh(25, 1000);
    std::memcpy(p1, fresh.data(), 20);
    std::memcpy(p2, fresh.data() + 10, 30);
    ASSERT_EQ(b->unlock(p1, n1, p2, n2), DeviceResult::Ok);
    ASSERT_EQ(b->play(false), DeviceResult::Ok);
    const auto out = rig.render16(50);
    for (int i = 0; i < 50; ++i) {
        const int16_t expected = (i < 15 || i >= 40) ? 1000 : static_cast<int16_t>(i + 1);
        EXPECT_EQ(out[2 * i], expected) << i;
    }

    // Without a second pointer the lock stops at the end.
    ASSERT_EQ(b->lock(80, 50, &p1, &n1, nullptr, nullptr), DeviceResult::Ok);
    EXPECT_EQ(n1, 20u);
    ASSERT_EQ(b->unlock(p1, n1, nullptr, 0), DeviceResult::Ok);
    // The whole ring from 0 is one part.
    ASSERT_EQ(b->lock(0, 100, &p1, &n1, &p2, &n2), DeviceResult::Ok);
    EXPECT_EQ(n1, 100u);
    EXPECT_EQ(n2, 0u);
    ASSERT_EQ(b->unlock(p1, n1, p2, n2), DeviceResult::Ok);

    EXPECT_EQ(b->lock(100, 1, &p1, &n1, &p2, &n2), DeviceResult::InvalidParam);
    EXPECT_EQ(b->lock(0, 101, &p1, &n1, &p2, &n2), DeviceResult::InvalidParam);
    EXPECT_EQ(b->lock(0, 0, &p1, &n1, &p2, &n2), DeviceResult::InvalidParam);
    EXPECT_EQ(b->lock(0, 10, nullptr, &n1, &p2, &n2), DeviceResult::InvalidParam);
    int outside = 0;
    EXPECT_EQ(b->unlock(&outside, 4, nullptr, 0), DeviceResult::InvalidParam);
}

TEST(SecondaryBuffer, TheCursorAdvancesByTheSourceFramesConsumed) {
    MixRig rig;
    // Stereo 16-bit: 4 bytes a frame; the cursor is always a multiple of 4.
    auto b = rig.buffer16(std::vector<int16_t>(2 * 10000, 0), 2, 44100);
    ASSERT_EQ(b->play(true), DeviceResult::Ok);
    rig.renderFloat(1000);
    EXPECT_EQ(rig.cursor(*b), 4000u);
    rig.renderFloat(1);
    EXPECT_EQ(rig.cursor(*b), 4004u);

    ASSERT_EQ(b->setFrequency(88200), DeviceResult::Ok);
    rig.renderFloat(1000);
    EXPECT_EQ(rig.cursor(*b), 4004u + 8000u);
    ASSERT_EQ(b->setFrequency(22050), DeviceResult::Ok);
    rig.renderFloat(1001);
    const uint32_t c = rig.cursor(*b);
    EXPECT_EQ(c % 4, 0u);
    EXPECT_EQ(c, 12004u + 4 * 500); // 1001 half frames: 500 whole frames
    // On a 48000 Hz device, a 44100 Hz buffer moves 44100/48000 frames per output frame.
    MixRig other(48000);
    auto d = other.buffer16(std::vector<int16_t>(2 * 50000, 0), 2, 44100);
    ASSERT_EQ(d->play(true), DeviceResult::Ok);
    other.renderFloat(48000);
    EXPECT_EQ(other.cursor(*d), 4u * 44100u);
}

TEST(SecondaryBuffer, LoopingWrapsAndANonLoopingBufferStopsAtTheEnd) {
    MixRig rig;
    auto b = rig.buffer16(ramp16(100), 1, 44100);
    ASSERT_EQ(b->play(true), DeviceResult::Ok);
    rig.renderFloat(250);
    EXPECT_EQ(rig.cursor(*b), 100u); // 250 mod 100 frames, 2 bytes each
    EXPECT_TRUE(b->playing());

    ASSERT_EQ(b->play(false), DeviceResult::Ok); // stays playing, no longer looping
    const auto out = rig.render16(100);
    EXPECT_FALSE(b->playing());
    EXPECT_EQ(rig.cursor(*b), 0u);
    for (int i = 0; i < 100; ++i)
        EXPECT_EQ(out[2 * i], i < 50 ? 51 + i : 0) << i;

    // Play again starts from the cursor, here the start.
    ASSERT_EQ(b->play(false), DeviceResult::Ok);
    EXPECT_EQ(rig.render16(1)[0], 1);
}

TEST(SecondaryBuffer, StopKeepsThePositionAndSetCurrentPositionMovesIt) {
    MixRig rig;
    auto b = rig.buffer16(ramp16(1000), 1, 44100);
    ASSERT_EQ(b->play(true), DeviceResult::Ok);
    rig.renderFloat(300);
    ASSERT_EQ(b->stop(), DeviceResult::Ok);
    EXPECT_FALSE(b->playing());
    rig.renderFloat(300);
    EXPECT_EQ(rig.cursor(*b), 600u);
    ASSERT_EQ(b->play(true), DeviceResult::Ok);
    EXPECT_EQ(rig.render16(1)[0], 301);

    // Moving while playing: the next frame comes from there. Odd offsets align down.
    ASSERT_EQ(b->setCurrentPosition(1001), DeviceResult::Ok);
    EXPECT_EQ(rig.cursor(*b), 1000u);
    EXPECT_EQ(rig.render16(1)[0], 501);
    ASSERT_EQ(b->stop(), DeviceResult::Ok);
    ASSERT_EQ(b->setCurrentPosition(0), DeviceResult::Ok);
    EXPECT_EQ(rig.cursor(*b), 0u);
    rig.renderFloat(300); // the stopped sound's fade
    ASSERT_EQ(b->play(true), DeviceResult::Ok);
    EXPECT_EQ(rig.render16(1)[0], 1);
    ASSERT_EQ(b->stop(), DeviceResult::Ok);
    ASSERT_EQ(b->stop(), DeviceResult::Ok); // twice is harmless
}

TEST(SecondaryBuffer, ALostDeviceRefusesLockAndPlayAndNothingElse) {
    MixRig rig;
    auto b = rig.buffer16(ramp16(100), 1, 44100);
    ASSERT_EQ(b->play(true), DeviceResult::Ok);
    rig.manual->loseDevice();
    EXPECT_TRUE(rig.device->lost());
    void *p1, *p2;
    uint32_t n1, n2;
    EXPECT_EQ(b->lock(0, 10, &p1, &n1, &p2, &n2), DeviceResult::BufferLost);
    EXPECT_EQ(b->play(true), DeviceResult::BufferLost);
    EXPECT_EQ(b->stop(), DeviceResult::Ok);
    EXPECT_EQ(b->setVolume(-100), DeviceResult::Ok);
    EXPECT_EQ(b->setPan(100), DeviceResult::Ok);
    EXPECT_EQ(b->setFrequency(8000), DeviceResult::Ok);
    EXPECT_EQ(b->setCurrentPosition(0), DeviceResult::Ok);
    uint32_t c;
    EXPECT_EQ(b->currentPosition(&c), DeviceResult::Ok);
    EXPECT_EQ(rig.device->playPrimary(), DeviceResult::BufferLost);
    std::unique_ptr<SoundBuffer> fresh;
    EXPECT_NE(rig.device->createSoundBuffer(WaveFormat::pcm(1, 8000, 8), 8, &fresh),
              DeviceResult::Ok);
}

TEST(SecondaryBuffer, ABufferMayOutliveItsDevice) {
    std::unique_ptr<SoundBuffer> b;
    {
        MixRig rig;
        b = rig.buffer16(ramp16(100), 1, 44100);
        ASSERT_EQ(b->play(true), DeviceResult::Ok);
        rig.renderFloat(10);
    }
    void *p1, *p2;
    uint32_t n1, n2;
    EXPECT_EQ(b->lock(0, 10, &p1, &n1, &p2, &n2), DeviceResult::BufferLost);
    EXPECT_EQ(b->play(true), DeviceResult::BufferLost);
    EXPECT_EQ(b->stop(), DeviceResult::Ok);
    b.reset();
}

} // namespace
} // namespace ws
