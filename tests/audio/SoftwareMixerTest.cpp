// The mix itself: gain laws, clipping, format conversions, click-free ramps, independence
// from the callback size, gapless loops, and buffers coming and going under a running mix.
#include "MixRig.h"
#include "SignalAnalysis.h"
#include "Signals.h"

#include <atomic>
#include <cmath>
#include <thread>

namespace ws {
namespace {

using test::MixRig;
using test::noise;
using test::Pi;
using test::sine;

std::vector<int16_t> constant(int16_t v, std::size_t n) {
    return std::vector<int16_t>(n, v);
}

TEST(SoftwareMixer, VolumeAndPanFollowTheDecibelLaws) {
    MixRig rig;
    auto b = rig.buffer16(constant(16384, 1000), 1, 44100); // 0.5
    ASSERT_EQ(b->play(true), DeviceResult::Ok);
    struct Case {
        int32_t volume, pan;
        double left, right;
    };
    const double g6 = std::pow(10.0, -0.3);
    const Case cases[] = {
        {0, 0, 1, 1},
        {-600, 0, g6, g6},
        {-10000, 0, 0, 0},
        {0, 2000, 0.1, 1},
        {0, -2000, 1, 0.1},
        {-600, -10000, g6, 0},
        {0, 10000, 0, 1},
        {-2000, 500, 0.1 * std::pow(10.0, -0.25), 0.1},
        {-9999, 0, std::pow(10.0, -9999 / 2000.0), std::pow(10.0, -9999 / 2000.0)},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(b->setVolume(c.volume), DeviceResult::Ok);
        ASSERT_EQ(b->setPan(c.pan), DeviceResult::Ok);
        rig.renderFloat(2000); // the ramp is over long before this
        const auto out = rig.renderFloat(4);
        for (int i = 0; i < 4; ++i) {
            const std::string what = std::to_string(c.volume) + "/" + std::to_string(c.pan);
            if (c.left == 0)
                EXPECT_EQ(out[2 * i], 0.0f) << what; // exact silence, not just quiet
            else
                EXPECT_NEAR(out[2 * i] / (0.5 * c.left), 1.0, 1e-6) << what;
            if (c.right == 0)
                EXPECT_EQ(out[2 * i + 1], 0.0f) << what;
            else
                EXPECT_NEAR(out[2 * i + 1] / (0.5 * c.right), 1.0, 1e-6) << what;
        }
    }
}

TEST(SoftwareMixer, TheSumIsClippedAtFullScaleOnlyAfterAdding) {
    MixRig rig;
    auto a = rig.buffer16(constant(24576, 64), 1, 44100); // 0.75
    auto b = rig.buffer16(constant(24576, 64), 1, 44100);
    ASSERT_EQ(a->play(true), DeviceResult::Ok);
    ASSERT_EQ(b->play(true), DeviceResult::Ok);
    auto f = rig.renderFloat(8);
    for (float v : f)
        EXPECT_EQ(v, 1.0f);
    auto s = rig.render16(8);
    for (int16_t v : s)
        EXPECT_EQ(v, 32767);

    MixRig::write(*a, 0, constant(-24576, 64).data(), 128);
    MixRig::write(*b, 0, constant(-24576, 64).data(), 128);
    rig.renderFloat(64); // play past the old data
    s = rig.render16(8);
    for (int16_t v : s)
        EXPECT_EQ(v, -32768);

    // +0.75 and -0.25 make 0.5: nothing is clipped on the way.
    MixRig::write(*a, 0, constant(24576, 64).data(), 128);
    MixRig::write(*b, 0, constant(-8192, 64).data(), 128);
    rig.renderFloat(64);
    s = rig.render16(8);
    for (int16_t v : s)
        EXPECT_EQ(v, 16384);
}

TEST(SoftwareMixer, EightBitSamplesAreUnsignedAroundTheirMidpoint) {
    const uint8_t bytes[] = {0x00, 0x40, 0x80, 0xC0, 0xFF};
    {
        MixRig rig;
        auto b = rig.buffer(WaveFormat::pcm(1, 44100, 8), bytes, 5);
        ASSERT_EQ(b->play(false), DeviceResult::Ok);
        const auto f = rig.renderFloat(5);
        const float expected[] = {-1.0f, -0.5f, 0.0f, 0.5f, 127.0f / 128.0f};
        for (int i = 0; i < 5; ++i) {
            EXPECT_EQ(f[2 * i], expected[i]);
            EXPECT_EQ(f[2 * i + 1], expected[i]);
        }
    }
    {
        // An 8-bit device gives the same bytes back, and rounds 16-bit input to nearest.
        MixRig rig(44100, 1, 8);
        auto b = rig.buffer(WaveFormat::pcm(1, 44100, 8), bytes, 5);
        ASSERT_EQ(b->play(false), DeviceResult::Ok);
        std::vector<uint8_t> out(5);
        rig.manual->render(out.data(), 5);
        EXPECT_EQ(out, std::vector<uint8_t>(bytes, bytes + 5));

        const std::vector<int16_t> fine = {127, 129, -129, 32767, -32768};
        auto c = rig.buffer16(fine, 1, 44100);
        ASSERT_EQ(c->play(false), DeviceResult::Ok);
        rig.manual->render(out.data(), 5);
        EXPECT_EQ(out, (std::vector<uint8_t>{128, 129, 127, 255, 0}));
    }
}

TEST(SoftwareMixer, MonoFeedsBothSidesAndStereoFoldsToMonoAsTheAverage) {
    const std::vector<int16_t> mono = {1, -2, 300, -32768, 32767};
    {
        MixRig rig;
        auto b = rig.buffer16(mono, 1, 44100);
        ASSERT_EQ(b->play(false), DeviceResult::Ok);
        const auto out = rig.render16(5);
        for (int i = 0; i < 5; ++i) {
            EXPECT_EQ(out[2 * i], mono[i]);
            EXPECT_EQ(out[2 * i + 1], mono[i]);
        }
    }
    const std::vector<int16_t> stereo = {1000, 3000, -7, 9, 32767, 32767, -20000, 20000};
    {
        MixRig rig;
        auto b = rig.buffer16(stereo, 2, 44100);
        ASSERT_EQ(b->play(false), DeviceResult::Ok);
        EXPECT_EQ(rig.render16(4), stereo);
    }
    {
        MixRig rig(44100, 1);
        auto b = rig.buffer16(stereo, 2, 44100);
        ASSERT_EQ(b->play(false), DeviceResult::Ok);
        EXPECT_EQ(rig.render16(4), (std::vector<int16_t>{2000, 1, 32767, 0}));
        // A mono buffer on a mono device is passed through.
        auto m = rig.buffer16(mono, 1, 44100);
        ASSERT_EQ(m->play(false), DeviceResult::Ok);
        EXPECT_EQ(rig.render16(5), mono);
    }
}

// Renders `segments` of `frames` each on a 1 kHz tone, applying one change before each
// segment, and returns the left and right sides.
struct Capture {
    std::vector<double> left, right;
};

TEST(SoftwareMixer, ChangesOfVolumeAndPanAreRampedWithoutClicks) {
    MixRig rig;
    auto b = rig.buffer16(sine(1000, 44100, 44100, 0.5), 1, 44100);
    ASSERT_EQ(b->play(true), DeviceResult::Ok);
    Capture cap;
    auto segment = [&](std::size_t frames) {
        const auto out = rig.renderFloat(frames);
        for (std::size_t i = 0; i < frames; ++i) {
            cap.left.push_back(out[2 * i]);
            cap.right.push_back(out[2 * i + 1]);
        }
    };
    segment(4410);
    const std::size_t muteAt = cap.left.size();
    const std::pair<int32_t, int32_t> steps[] = {{-10000, 0}, {0, 0},           {-3000, 0},
                                                 {0, 0},      {0, 10000},       {0, -10000},
                                                 {0, 0},      {-10000, -10000}, {0, 0}};
    for (auto [volume, pan] : steps) {
        ASSERT_EQ(b->setVolume(volume), DeviceResult::Ok);
        ASSERT_EQ(b->setPan(pan), DeviceResult::Ok);
        segment(4410);
    }
    EXPECT_LT(test::clickPeakDbfs(cap.left, 44100, 1000, 5000, 2000), -90.0);
    EXPECT_LT(test::clickPeakDbfs(cap.right, 44100, 1000, 5000, 2000), -90.0);

    // The first step took about 5 ms: still sounding 1 ms in, exact silence from 6 ms on.
    double early = 0.0;
    for (std::size_t i = muteAt; i < muteAt + 44; ++i)
        early = std::max(early, std::abs(cap.left[i]));
    EXPECT_GT(early, 0.1);
    for (std::size_t i = muteAt + 265; i < muteAt + 4410; ++i)
        ASSERT_EQ(cap.left[i], 0.0) << i - muteAt;

    // The detector itself sees an unramped step of the same tone.
    std::vector<double> stepped(cap.left.size());
    for (std::size_t i = 0; i < stepped.size(); ++i)
        stepped[i] = i < muteAt ? 0.5 * std::sin(2.0 * Pi * 1000.0 * double(i) / 44100.0) : 0.0;
    EXPECT_GT(test::clickPeakDbfs(stepped, 44100, 1000, 5000, 2000), -60.0);
}

TEST(SoftwareMixer, StopFadesOutTheOldSoundWhateverHappensToTheBufferNext) {
    // A loud 1 kHz tone stopped at the crest of a wave, the way the channel stops: the ring
    // is rewound and rewritten with the file's start at once, and may be played again or
    // destroyed (another file) before the fade is over.
    const auto tone = sine(1000, 44100, 44100, 0.8);
    const std::size_t stopAt = 8831; // sin(2 pi 1000 * 8831 / 44100) = 0.99999
    const std::size_t after = 4410;
    // The file played after the stop: an attack straight at a fifth of full scale.
    std::vector<int16_t> attack = noise(44100, 5, 3000);
    attack[0] = -6554;

    enum class Then { Nothing, PlayAgain, Destroy, LoseDeviceFirst };
    auto run = [&](Then then) {
        MixRig rig;
        auto b = rig.buffer16(tone, 1, 44100);
        EXPECT_EQ(b->play(true), DeviceResult::Ok);
        auto out = rig.renderFloat(stopAt);
        if (then == Then::LoseDeviceFirst)
            rig.manual->loseDevice();
        EXPECT_EQ(b->stop(), DeviceResult::Ok);
        EXPECT_FALSE(b->playing()); // stopped at once, while it still sounds
        EXPECT_EQ(b->setCurrentPosition(0), DeviceResult::Ok);
        if (then != Then::LoseDeviceFirst)
            MixRig::write(*b, 0, attack.data(), static_cast<uint32_t>(attack.size() * 2));
        if (then == Then::PlayAgain) {
            EXPECT_EQ(b->play(true), DeviceResult::Ok);
        }
        if (then == Then::Destroy)
            b.reset();
        const auto rest = rig.renderFloat(after);
        out.insert(out.end(), rest.begin(), rest.end());
        std::vector<double> left(out.size() / 2);
        for (std::size_t i = 0; i < left.size(); ++i)
            left[i] = out[2 * i];
        return left;
    };

    const auto stopped = run(Then::Nothing);
    EXPECT_LT(test::clickPeakDbfs(stopped, 44100, 1000, 5000, 2000), -90.0);
    // Still loud right after the stop, exact silence once the 5 ms are over.
    EXPECT_GT(stopped[stopAt], 0.7);
    for (std::size_t i = stopAt + 221; i < stopped.size(); ++i)
        ASSERT_EQ(stopped[i], 0.0) << i - stopAt;

    // Neither a new file in the ring nor the buffer's end changes the old sound's fade, nor
    // does a device that has gone away.
    EXPECT_EQ(run(Then::Destroy), stopped);
    EXPECT_EQ(run(Then::LoseDeviceFirst), stopped);

    // Played again at once: the new attack from its first sample, at full level, over the
    // old sound's fade.
    const auto replayed = run(Then::PlayAgain);
    for (std::size_t i = 0; i < stopAt; ++i)
        ASSERT_EQ(replayed[i], stopped[i]) << i;
    for (std::size_t i = 0; i < after; ++i) {
        const float expected =
            static_cast<float>(attack[i]) / 32768.0f + static_cast<float>(stopped[stopAt + i]);
        ASSERT_EQ(replayed[stopAt + i], expected) << i;
    }
}

TEST(SoftwareMixer, OutputDoesNotDependOnTheCallbackSize) {
    // Two resampled buffers with changes of volume, pan and rate at frames that fall inside
    // callbacks for most of the sizes.
    const auto stereo = noise(2 * 48000, 1);
    std::vector<uint8_t> eight(22050);
    for (std::size_t i = 0; i < eight.size(); ++i)
        eight[i] = static_cast<uint8_t>(128 + 100 * std::sin(2 * Pi * 440.0 * double(i) / 22050));
    const std::size_t total = 40000;
    struct Change {
        std::size_t at;
        int32_t volume, pan;
        uint32_t frequency;
    };
    const Change changes[] = {{5000, -1500, 3000, 47000},
                              {5001, -9000, -10000, 0},
                              {13333, 0, 0, 52000},
                              {20000, -10000, 0, 0},
                              {20100, -300, -700, 30000}};

    auto run = [&](std::size_t callback) {
        MixRig rig;
        auto a = rig.buffer16(stereo, 2, 48000);
        auto b = rig.buffer(WaveFormat::pcm(1, 22050, 8), eight.data(), 22050);
        EXPECT_EQ(b->setFrequency(30000), DeviceResult::Ok);
        EXPECT_EQ(a->play(true), DeviceResult::Ok);
        EXPECT_EQ(b->play(true), DeviceResult::Ok);
        std::vector<float> out(total * 2);
        std::size_t done = 0, next = 0;
        while (done < total) {
            while (next < std::size(changes) && changes[next].at == done) {
                a->setVolume(changes[next].volume);
                a->setPan(changes[next].pan);
                a->setFrequency(changes[next].frequency);
                b->setPan(-changes[next].pan);
                ++next;
            }
            std::size_t n = std::min(callback, total - done);
            if (next < std::size(changes))
                n = std::min(n, changes[next].at - done);
            rig.manual->renderFloat(out.data() + 2 * done, n);
            done += n;
        }
        return out;
    };
    const auto reference = run(4096);
    for (std::size_t size : {64, 100, 256, 441, 1000, 1024, 2048}) {
        const auto out = run(size);
        ASSERT_EQ(std::memcmp(out.data(), reference.data(), out.size() * sizeof(float)), 0)
            << "callback size " << size;
    }
}

TEST(SoftwareMixer, LoopsAtTheDeviceRateTileTheirDataGaplessly) {
    for (std::size_t ring : {37u, 1000u, 4410u}) {
        MixRig rig;
        const auto data = noise(2 * ring, static_cast<unsigned>(ring));
        auto b = rig.buffer16(data, 2, 44100);
        ASSERT_EQ(b->play(true), DeviceResult::Ok);
        const std::size_t loops = ring < 100 ? 5000 : 300;
        std::vector<int16_t> out(2 * 4096);
        std::size_t at = 0;
        while (at < loops * ring) {
            const std::size_t n = std::min<std::size_t>(4096, loops * ring - at);
            rig.manual->render(out.data(), n);
            for (std::size_t i = 0; i < 2 * n; ++i)
                ASSERT_EQ(out[i], data[(2 * at + i) % data.size()])
                    << "ring " << ring << ", frame " << at + i / 2;
            at += n;
        }
        EXPECT_EQ(rig.cursor(*b), 0u);
    }
    // 8-bit mono loops too, fed to both sides.
    MixRig rig;
    std::vector<uint8_t> eight(53);
    for (std::size_t i = 0; i < eight.size(); ++i)
        eight[i] = static_cast<uint8_t>(i * 37);
    auto b = rig.buffer(WaveFormat::pcm(1, 44100, 8), eight.data(), 53);
    ASSERT_EQ(b->play(true), DeviceResult::Ok);
    const auto out = rig.render16(53 * 200);
    for (std::size_t i = 0; i < out.size(); ++i)
        ASSERT_EQ(out[i], (int(eight[(i / 2) % 53]) - 128) * 256) << i;
}

TEST(SoftwareMixer, BuffersComeAndGoWhileAnotherThreadMixes) {
    // The mixing thread never waits; the control side streams into a ring behind the
    // cursor, changes settings, and creates, stops, rewrites and destroys buffers.
    // Every buffer holds noise that peaks at 400 (about 1/80 of full scale) and no kernel phase
    // gains more than 2.4, so even both playing buffers and every fade slot in flight at
    // once stay below 0.6 of full scale: anything louder is data that was never written,
    // and the clamp at full scale never hides it.
    constexpr int Peak = 400;
    constexpr float Bound = 0.6f;
    MixRig rig;
    const uint32_t ringBytes = 4 * 4410;
    auto streamed = rig.buffer16(noise(2 * 4410, 7, Peak), 2, 44100);
    ASSERT_EQ(streamed->play(true), DeviceResult::Ok);

    std::atomic<bool> done{false};
    std::atomic<float> loudest{0.0f};
    // Frames the mixing thread may still render before the control side has rewritten what
    // it passed. A real device plays in real time against a four-second ring; unpaced, this
    // thread could lap the short ring while the control side writes behind the cursor, and
    // read bytes in the middle of being written.
    constexpr int Budget = 1536;
    std::atomic<int> budget{Budget};
    std::thread mixer([&] {
        std::vector<float> out(2 * 256);
        float peak = 0.0f;
        for (int i = 0; i < 200000 && !done.load();) {
            int left = budget.load();
            if (left < 256 || !budget.compare_exchange_weak(left, left - 256)) {
                std::this_thread::yield();
                continue;
            }
            rig.manual->renderFloat(out.data(), 256);
            ++i;
            for (float v : out)
                peak = std::isfinite(v) ? std::max(peak, std::abs(v)) : 2.0f;
            if (i % 8 == 0)
                std::this_thread::yield();
        }
        loudest = peak;
    });

    const auto fresh = noise(2 * 4410, 8, Peak);
    uint32_t written = 0;
    for (int round = 0; round < 300; ++round) {
        // Rewrite what the cursor has passed, the way the channel's refill does.
        uint32_t cursor = rig.cursor(*streamed);
        if (cursor != written) {
            const uint32_t n = (cursor + ringBytes - written) % ringBytes;
            MixRig::write(*streamed, written, reinterpret_cast<const uint8_t*>(fresh.data()), n);
            written = cursor;
        }
        budget = Budget;
        streamed->setVolume(-(round % 7) * 300);
        streamed->setPan((round % 5 - 2) * 2000);
        streamed->setFrequency(40000 + 100 * (round % 50));

        auto other = rig.buffer16(noise(1000, round, Peak), 1, 22050);
        ASSERT_TRUE(other);
        other->play(round % 2 == 0);
        std::this_thread::sleep_for(std::chrono::microseconds(200));
        if (round % 3 == 0) {
            // Stop, rewind and refill the whole ring while the mix runs on.
            other->stop();
            other->setCurrentPosition(0);
            MixRig::write(*other, 0, noise(1000, round + 1, Peak).data(), 2000);
            other->play(true);
        }
    }
    done = true;
    mixer.join();
    EXPECT_GT(loudest.load(), 0.0f);
    EXPECT_LT(loudest.load(), Bound);

    // Afterwards nothing keeps sounding once the last fades are over, and the survivor
    // plays its ring again exactly.
    ASSERT_EQ(streamed->stop(), DeviceResult::Ok);
    const auto after = rig.render16(2000);
    EXPECT_TRUE(test::silent(after, 2 * 221));
    const auto known = noise(2 * 4410, 9, Peak);
    MixRig::write(*streamed, 0, known.data(), ringBytes);
    ASSERT_EQ(streamed->setCurrentPosition(0), DeviceResult::Ok);
    ASSERT_EQ(streamed->setFrequency(0), DeviceResult::Ok);
    ASSERT_EQ(streamed->setVolume(0), DeviceResult::Ok);
    ASSERT_EQ(streamed->setPan(0), DeviceResult::Ok);
    ASSERT_EQ(streamed->play(true), DeviceResult::Ok);
    EXPECT_EQ(rig.render16(4410), known);
}

} // namespace
} // namespace ws
