// The mixer channel through the manual back end. Refills are driven by the test: the
// channel's own thread waits an hour between rounds, and the test renders a stretch of
// output, moves the channel's tick on by one interval and runs update() itself, exactly as
// the thread would. Only the tests about threads use real time, with generous bounds.
#include "audio/MixerChannel.h"
#include "LogCapture.h"
#include "ManualBackEnd.h"
#include "Signals.h"
#include "TestSupport.h"
#include "audio/AudioErrors.h"
#include "audio/DeviceResult.h"
#include "audio/Mixer.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <optional>
#include <thread>

namespace ws {
namespace {

using namespace std::chrono_literals;
using Samples = std::vector<int16_t>;
using test::silent;

constexpr int Rate = 44100;
constexpr int StepMs = 400;
constexpr int StepFrames = Rate * StepMs / 1000;
constexpr std::size_t FadeSamples = 2 * 221; // a stopped sound fades out over 5 ms
constexpr uint32_t HourMs = 3'600'000;

// Pseudo-random full-scale stereo (or mono) samples: every bit of every sample matters.
Samples noise(int frames, int channels = 2, unsigned seed = 1) {
    return test::noise(static_cast<std::size_t>(frames) * channels, seed);
}

// Index of the first difference between `actual` and `expected` from `from` on, over
// `count` samples; -1 when they agree.
long firstDifference(const Samples& actual, const Samples& expected, std::size_t from,
                     std::size_t count) {
    for (std::size_t i = 0; i < count; ++i)
        if (actual.at(from + i) != expected.at(i))
            return static_cast<long>(from + i);
    return -1;
}

template <class Pred> bool waitUntil(Pred pred, std::chrono::seconds timeout = 20s) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!pred()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(2ms);
    }
    return true;
}

// A gate a thread can be held at: the first pass through wait() blocks until open().
class Gate {
public:
    void wait() {
        std::unique_lock lock(m_);
        reached_ = true;
        cv_.notify_all();
        cv_.wait(lock, [this] { return open_; });
    }
    void waitReached() {
        std::unique_lock lock(m_);
        cv_.wait(lock, [this] { return reached_; });
    }
    void open() {
        std::lock_guard lock(m_);
        open_ = true;
        cv_.notify_all();
    }

private:
    std::mutex m_;
    std::condition_variable cv_;
    bool reached_ = false;
    bool open_ = false;
};

class MixerChannelTest : public ::testing::Test {
protected:
    void SetUp() override {
        backEnd_.emplace(
            std::vector<OutputDeviceInfo>{{"System default", ""}, {"USB headset", "usb-headset"}});
        mixer_.emplace();
    }
    void TearDown() override {
        channels_.clear();
        mixer_.reset();
        backEnd_.reset();
    }

    // A channel on the mixer whose refills the test drives.
    MixerChannel& newChannel() {
        channels_.push_back(std::make_unique<MixerChannel>(*mixer_));
        MixerChannel& channel = *channels_.back();
        channel.setRefillInterval(HourMs);
        channel.setTickSource([this] { return now_.load(); });
        return channel;
    }

    std::string wav(const std::string& name, const Samples& samples, int channels = 2,
                    int rate = Rate, int bits = 16) {
        const auto path = dir_ / name;
        test::writeWav(path, channels, rate, bits, samples);
        return path.string();
    }

    Samples render(int frames) {
        Samples out(static_cast<std::size_t>(frames) * 2);
        if (ManualDevice* device = backEnd_->system().current())
            device->render(out.data(), static_cast<std::size_t>(frames));
        return out;
    }

    // One refill round: `frames` of output play, then one interval later the channel's
    // update runs.
    Samples step(MixerChannel& channel, int frames = StepFrames) {
        Samples out = render(frames);
        now_ += HourMs;
        channel.update();
        return out;
    }

    static void append(Samples& to, const Samples& more) {
        to.insert(to.end(), more.begin(), more.end());
    }

    test::TempDir dir_;
    std::optional<test::ManualBackEnd> backEnd_;
    std::optional<Mixer> mixer_;
    std::vector<std::unique_ptr<MixerChannel>> channels_;
    std::atomic<uint32_t> now_{123'456};
};

TEST_F(MixerChannelTest, AFileLongerThanTheRingStreamsThroughItBitForBit) {
    const Samples file = noise(11 * Rate);
    MixerChannel& channel = newChannel();
    channel.setFileName(wav("long.wav", file));
    EXPECT_EQ(channel.Duration(), 11000);
    EXPECT_EQ(channel.SamplesPerSec(), 44100u);
    channel.play();
    EXPECT_EQ(channel.State(), ChannelState::csPlaying);

    Samples out;
    int stoppedAt = 0;
    for (int t = StepMs; t <= 13000; t += StepMs) {
        append(out, step(channel));
        const int position = channel.Position();
        if (channel.State() == ChannelState::csStopped) {
            stoppedAt = t;
            EXPECT_EQ(position, 0);
            break;
        }
        EXPECT_EQ(position, std::min(t, 11000)) << "at " << t << " ms";
    }
    // The channel stops itself within about one interval after the last sample.
    EXPECT_GT(stoppedAt, 11000);
    EXPECT_LE(stoppedAt, 11000 + 2 * StepMs);
    append(out, render(StepFrames));
    ASSERT_GE(out.size(), file.size());
    EXPECT_EQ(firstDifference(out, file, 0, file.size()), -1);
    EXPECT_TRUE(silent(out, file.size()));
}

TEST_F(MixerChannelTest, AFileThatDoesNotLoopEndsStopsAndRewinds) {
    int argc = 1;
    char name[] = "test_audio";
    char* argv[] = {name, nullptr};
    std::optional<QCoreApplication> app;
    if (!QCoreApplication::instance())
        app.emplace(argc, argv);

    const Samples file = noise(Rate);
    MixerChannel& channel = newChannel();
    channel.setFileName(wav("one.wav", file));
    int ends = 0;
    channel.setOnEnd([&](MixerChannel& sender) {
        EXPECT_EQ(&sender, &channel);
        EXPECT_EQ(sender.State(), ChannelState::csStopped);
        ++ends;
    });
    channel.play();
    Samples out;
    int stoppedAt = 0;
    for (int t = StepMs; t <= 3000 && !stoppedAt; t += StepMs) {
        append(out, step(channel));
        if (channel.State() == ChannelState::csStopped)
            stoppedAt = t;
        else // climbs to the end time, and stays there while silence plays
            EXPECT_EQ(channel.Position(), std::min(t, 1000)) << "at " << t << " ms";
    }
    EXPECT_GT(stoppedAt, 1000);
    EXPECT_LE(stoppedAt, 1000 + 2 * StepMs);
    EXPECT_EQ(channel.Position(), 0);
    EXPECT_EQ(firstDifference(out, file, 0, file.size()), -1);
    EXPECT_TRUE(silent(out, file.size()));
    EXPECT_TRUE(silent(render(StepFrames)));

    // The notification is posted to this thread's event loop, not called.
    EXPECT_EQ(ends, 0);
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(ends, 1);

    // Playing again starts at the beginning.
    channel.play();
    const Samples again = step(channel);
    EXPECT_EQ(firstDifference(again, file, 0, again.size()), -1);
}

TEST_F(MixerChannelTest, EightBitFilesAreFollowedByEightBitSilence) {
    Samples file = noise(Rate / 2, 1);
    MixerChannel& channel = newChannel();
    channel.setFileName(wav("eight.wav", file, 1, Rate, 8));
    EXPECT_EQ(channel.Duration(), 500);
    channel.play();
    Samples out = step(channel);
    append(out, step(channel));
    const std::size_t fileFrames = Rate / 2;
    EXPECT_FALSE(silent(Samples(out.begin(), out.begin() + fileFrames * 2)));
    EXPECT_TRUE(silent(out, fileFrames * 2));
}

TEST_F(MixerChannelTest, ALoopingFileWrapsAndItsPositionStartsAgain) {
    const Samples file = noise(Rate);
    MixerChannel& channel = newChannel();
    channel.setFileName(wav("loop.wav", file));
    channel.setLoop(true);
    channel.play();
    Samples out;
    int stoppedAt = 0;
    for (int t = StepMs; t <= 12000 && !stoppedAt; t += StepMs) {
        append(out, step(channel));
        if (t == 2400) // the pass being decoded now ends at 7 s; then the channel stops
            channel.setLoop(false);
        if (channel.State() == ChannelState::csStopped) {
            stoppedAt = t;
        } else if (t < 7000) {
            EXPECT_EQ(channel.Position(), t % 1000) << "at " << t << " ms";
        }
    }
    EXPECT_GT(stoppedAt, 7000);
    EXPECT_LE(stoppedAt, 7000 + 2 * StepMs);
    for (std::size_t pass = 0; pass < 7; ++pass)
        EXPECT_EQ(firstDifference(out, file, pass * file.size(), file.size()), -1) << pass;
    EXPECT_TRUE(silent(out, 7 * file.size()));
}

TEST_F(MixerChannelTest, StopRewindsAndPlayStartsAtTheBeginning) {
    const Samples file = noise(3 * Rate);
    MixerChannel& channel = newChannel();
    channel.setFileName(wav("three.wav", file));
    channel.stop(); // nothing to stop yet
    channel.play();
    for (int i = 0; i < 3; ++i)
        step(channel);
    EXPECT_EQ(channel.Position(), 1200);
    channel.stop();
    EXPECT_EQ(channel.State(), ChannelState::csStopped);
    EXPECT_EQ(channel.Position(), 0);
    EXPECT_TRUE(silent(step(channel), FadeSamples));
    channel.stop();

    channel.play();
    Samples out = step(channel);
    channel.play(); // already playing: nothing changes
    EXPECT_EQ(channel.Position(), 400);
    append(out, step(channel));
    EXPECT_EQ(firstDifference(out, file, 0, out.size()), -1);
}

TEST_F(MixerChannelTest, WritingTheFileNameStopsAndRestoresTheSettings) {
    const Samples file = noise(2 * Rate);
    const std::string path = wav("two.wav", file);
    MixerChannel& channel = newChannel();
    channel.setFileName(path);
    channel.setVolume(-600);
    channel.setPan(2500);
    channel.setFrequency(22050);
    channel.setLoop(true);
    channel.play();
    step(channel);

    channel.setFileName(path);
    EXPECT_EQ(channel.FileName(), path);
    EXPECT_EQ(channel.State(), ChannelState::csStopped);
    EXPECT_EQ(channel.Volume(), 0);
    EXPECT_EQ(channel.Pan(), 0);
    EXPECT_EQ(channel.Frequency(), 44100);
    EXPECT_FALSE(channel.Loop());
    EXPECT_EQ(channel.Duration(), 2000);
    EXPECT_EQ(channel.Position(), 0);
    EXPECT_TRUE(silent(render(StepFrames), FadeSamples));

    // Full level, centre, the file's own rate, from the start.
    channel.play();
    const Samples out = step(channel);
    EXPECT_EQ(firstDifference(out, file, 0, out.size()), -1);
}

TEST_F(MixerChannelTest, ClosedAndRejectedFilesLeaveTheChannelWithoutAName) {
    MixerChannel& channel = newChannel();
    channel.setFileName(wav("mono.wav", noise(Rate / 4, 1), 1, 22050));
    EXPECT_EQ(channel.Duration(), 500);
    channel.play();
    channel.setFileName(""); // closes; length and rate stay
    EXPECT_EQ(channel.FileName(), "");
    EXPECT_EQ(channel.Duration(), 500);
    EXPECT_EQ(channel.SamplesPerSec(), 22050u);
    EXPECT_EQ(channel.Position(), 0);
    channel.stop();
    try {
        channel.play();
        FAIL() << "played without a file";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "No file opened");
    }

    const std::string good = wav("good.wav", noise(Rate / 10));
    auto expectError = [&](const std::string& path, const std::string& message) {
        channel.setFileName(good);
        try {
            channel.setFileName(path);
            FAIL() << "accepted " << path;
        } catch (const std::runtime_error& e) {
            EXPECT_EQ(std::string(e.what()), message);
        }
        EXPECT_EQ(channel.FileName(), "");
    };
    // 20 frames are less than a millisecond.
    expectError(wav("tiny.wav", noise(20)), "Audio file is empty.");
    EXPECT_EQ(channel.Duration(), 0);
    expectError(wav("three.wav", noise(Rate / 10, 3), 3), "Invalid number of channels.");
    EXPECT_EQ(channel.Duration(), 100);
    channel.setFileName(good);
    EXPECT_THROW(channel.setFileName((dir_ / "missing.wav").string()), AudioReadError);
    EXPECT_EQ(channel.FileName(), "");
    EXPECT_THROW(channel.play(), std::runtime_error);
    EXPECT_EQ(channel.State(), ChannelState::csStopped);
}

TEST_F(MixerChannelTest, VolumeAndFrequencyWrittenBeforePlayApplyToTheNewBuffer) {
    const Samples file = noise(3 * Rate);
    const std::string path = wav("rate.wav", file);
    MixerChannel& channel = newChannel();
    channel.setFileName(path);
    channel.setVolume(-600); // 10^(-0.3): about half the amplitude
    channel.play();
    const Samples out = step(channel);
    for (std::size_t i = 0; i < out.size(); i += 997)
        EXPECT_NEAR(out[i], file[i] * 0.501187, 1.0) << i;
    EXPECT_EQ(channel.Position(), 400); // the file's own rate

    // A rate written while the file is open but before the buffer exists is the rate the
    // buffer plays at from its first sample.
    channel.setFileName(path);
    channel.setFrequency(22050);
    EXPECT_EQ(channel.Frequency(), 22050);
    channel.play();
    step(channel);
    EXPECT_NEAR(channel.Position(), 200, 2);
    channel.setFrequency(0); // the file's own rate again
    step(channel);
    EXPECT_NEAR(channel.Position(), 600, 2);

    // Opening a file goes back to its own rate, also for a file whose rate is not the
    // stored default.
    channel.setFileName(path);
    channel.play();
    step(channel);
    EXPECT_EQ(channel.Position(), 400);
    channel.setFileName(wav("half.wav", noise(3 * Rate / 2, 2, 7), 2, Rate / 2));
    channel.play();
    step(channel);
    EXPECT_NEAR(channel.Position(), 400, 2);
}

TEST_F(MixerChannelTest, ARejectedVolumeStaysStoredAndRaisesAgainOnTheNextBuffer) {
    MixerChannel& channel = newChannel();
    const std::string path = wav("volume.wav", noise(Rate));
    channel.setFileName(path);
    channel.play();
    try {
        channel.setVolume(100);
        FAIL() << "a volume above 0 was accepted";
    } catch (const SoundDeviceError& e) {
        EXPECT_EQ(e.ErrorCode, DeviceResult::InvalidParam);
    }
    EXPECT_EQ(channel.Volume(), 100);
    mixer_->closeDevice();
    EXPECT_THROW(channel.play(), SoundDeviceError);
    channel.setFileName(path);
    EXPECT_EQ(channel.Volume(), 0);
    EXPECT_NO_THROW(channel.play());
}

TEST_F(MixerChannelTest, OperationsLockedOutForMoreThanAQuarterSecondAreDropped) {
    const Samples file = noise(3 * Rate);
    MixerChannel& channel = newChannel();
    const std::string first = wav("first.wav", file);
    channel.setFileName(first);
    channel.play();
    step(channel);
    ASSERT_EQ(channel.Position(), 400);

    // Another thread holds the channel's lock: an update whose tick blocks.
    Gate gate;
    std::atomic<bool> holding{true};
    channel.setTickSource([&] {
        if (holding)
            gate.wait();
        return now_ += HourMs;
    });
    std::thread holder([&] { channel.update(); });
    gate.waitReached();

    channel.setVolume(-1000);
    channel.setFileName(wav("second.wav", noise(Rate)));
    channel.stop();
    EXPECT_EQ(channel.Position(), 0);
    EXPECT_EQ(channel.Volume(), 0);
    EXPECT_EQ(channel.FileName(), first);
    EXPECT_EQ(channel.State(), ChannelState::csPlaying);

    holding = false;
    gate.open();
    holder.join();
    EXPECT_EQ(channel.Position(), 400);
    const Samples out = render(StepFrames);
    EXPECT_EQ(
        firstDifference(out, Samples(file.begin() + StepFrames * 2, file.end()), 0, out.size()),
        -1);
}

TEST_F(MixerChannelTest, ClosingTheDeviceSilencesAndTheNextPlayUsesTheNewDevice) {
    const Samples file = noise(3 * Rate);
    MixerChannel& channel = newChannel();
    channel.setFileName(wav("device.wav", file));
    channel.setVolume(-300);
    channel.play();
    step(channel);
    EXPECT_EQ(backEnd_->system().lastOpenedId(), "");

    mixer_->selectDevice(1);
    mixer_->closeDevice();
    EXPECT_EQ(backEnd_->system().current(), nullptr);
    EXPECT_EQ(channel.State(), ChannelState::csStopped);
    EXPECT_EQ(channel.Position(), 0);
    EXPECT_EQ(channel.Volume(), -300); // settings and file survive

    channel.setVolume(0);
    channel.play();
    EXPECT_EQ(backEnd_->system().lastOpenedId(), "usb-headset");
    const Samples out = step(channel);
    EXPECT_EQ(firstDifference(out, file, 0, out.size()), -1);
}

TEST_F(MixerChannelTest, ALostBufferIsReportedAndTheChannelKeepsItsFile) {
    const Samples file = noise(3 * Rate);
    MixerChannel& channel = newChannel();
    const std::string path = wav("lost.wav", file);
    channel.setFileName(path);
    int lost = 0;
    std::thread::id lostOn;
    channel.setOnBufferLost([&](MixerChannel& sender) {
        EXPECT_EQ(&sender, &channel);
        lostOn = std::this_thread::get_id();
        ++lost;
    });

    // Lost while playing: the next refill meets it.
    channel.play();
    step(channel);
    backEnd_->device().loseDevice();
    step(channel);
    EXPECT_EQ(lost, 1);
    EXPECT_EQ(lostOn, std::this_thread::get_id());
    EXPECT_EQ(channel.State(), ChannelState::csStopped);
    EXPECT_EQ(channel.FileName(), path);
    EXPECT_EQ(channel.Position(), 0);

    // The next play opens the device again and starts at the beginning.
    channel.play();
    Samples out = step(channel);
    EXPECT_EQ(firstDifference(out, file, 0, out.size()), -1);

    // Lost while stopped: play meets it when it fills the ring.
    channel.stop();
    backEnd_->device().loseDevice();
    channel.play();
    EXPECT_EQ(lost, 2);
    EXPECT_EQ(channel.State(), ChannelState::csStopped);
    channel.play();
    EXPECT_EQ(channel.State(), ChannelState::csPlaying);
    out = step(channel);
    EXPECT_EQ(firstDifference(out, file, 0, out.size()), -1);
}

TEST_F(MixerChannelTest, ALoopingFileOfAFewSamplesPlaysAndReportsItsPosition) {
    // 50 frames, just over a millisecond: thousands of copies fill one ring.
    const Samples file = noise(50);
    MixerChannel& channel = newChannel();
    channel.setFileName(wav("blip.wav", file));
    ASSERT_EQ(channel.Duration(), 1);
    channel.setLoop(true);
    channel.play();
    Samples out;
    for (int t = StepMs; t <= 10000; t += StepMs) {
        append(out, step(channel));
        const int position = channel.Position();
        EXPECT_TRUE(position == 0 || position == 1) << position << " at " << t << " ms";
    }
    EXPECT_EQ(channel.State(), ChannelState::csPlaying);
    for (std::size_t at = 0; at + file.size() <= out.size(); at += file.size())
        ASSERT_EQ(firstDifference(out, file, at, file.size()), -1);

    // Three samples at 2000 Hz, resampled to the device rate.
    MixerChannel& tiny = newChannel();
    tiny.setFileName(wav("tick.wav", {-20000, 0, 20000}, 1, 2000, 8));
    ASSERT_EQ(tiny.Duration(), 1);
    tiny.setLoop(true);
    channel.stop();
    tiny.play();
    for (int t = StepMs; t <= 10000; t += StepMs) {
        EXPECT_FALSE(silent(step(tiny)));
        EXPECT_LE(tiny.Position(), 1);
    }
}

TEST_F(MixerChannelTest, ALoopPlayedAtAnyRateReportsTheFileTimeUnderTheCursor) {
    // Loops from a few samples to longer than a refill pass, played slower and faster than
    // their own rate, for several rings: the rate sets how many refill passes one ring
    // takes, and so how many pieces the position map must hold. The last case plays at the
    // lowest rate a buffer takes, where a ring would need thousands of passes.
    struct Case {
        int frames;    // loop length
        int rate;      // the file's own rate
        int frequency; // playback rate in Hz
        int steps;     // refill rounds
    };
    std::vector<Case> cases;
    // About a tenth of a second: 4423 frames, so that refill passes do not hold whole
    // repetitions only.
    for (const auto& [frames, rate] : {std::pair{37, 11025}, {4423, Rate}, {3 * Rate, Rate}})
        for (int percent : {50, 70, 118, 200})
            cases.push_back({frames, rate, rate * percent / 100, 3 * 10 * 100 / percent + 2});
    cases.push_back({3 * Rate, Rate, static_cast<int>(FrequencyMin), 80});

    MixerChannel& channel = newChannel();
    // One case; a failure ends that case only.
    auto play = [&](const Case& c) {
        channel.setFileName(
            wav("loop" + std::to_string(c.frames) + ".wav", noise(c.frames), 2, c.rate));
        channel.setLoop(true);
        channel.play();
        channel.setFrequency(c.frequency);
        uint64_t rendered = 0; // output frames at the device rate
        for (int i = 0; i <= c.steps; ++i) {
            if (i > 0) {
                step(channel);
                rendered += StepFrames;
            }
            // The buffer moves exactly frequency / device rate frames per output frame,
            // through the file again and again from its start at the ring's start.
            const uint64_t played = rendered * uint64_t(c.frequency) / Rate;
            const int64_t fileMs = int64_t(played % uint64_t(c.frames)) * 1000 / c.rate;
            int position = -1;
            try {
                position = channel.Position();
            } catch (const std::exception& e) {
                FAIL() << e.what() << " after " << i << " rounds";
            }
            ASSERT_NEAR(position, fileMs, 1) << "after " << i << " rounds";
        }
        EXPECT_EQ(channel.State(), ChannelState::csPlaying);
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.frames) + " frames at " + std::to_string(c.rate) +
                     " Hz played at " + std::to_string(c.frequency) + " Hz");
        play(c);
    }
}

TEST_F(MixerChannelTest, ALoopingFileWhoseDataVanishedEndsInsteadOfSpinning) {
    const Samples file = noise(Rate);
    const std::string path = wav("vanishing.wav", file);
    MixerChannel& channel = newChannel();
    channel.setFileName(path);
    channel.setLoop(true);
    // The data goes away after the file was opened: every read, also after the rewind,
    // delivers nothing.
    std::filesystem::resize_file(path, std::filesystem::file_size(path) - file.size() * 2);
    channel.play();
    Samples out;
    for (int t = StepMs; t <= 12000 && channel.State() == ChannelState::csPlaying; t += StepMs)
        append(out, step(channel));
    EXPECT_EQ(channel.State(), ChannelState::csStopped);
    EXPECT_TRUE(silent(out));
    EXPECT_EQ(channel.Position(), 0);
}

TEST_F(MixerChannelTest, ReleasingTheBufferWaitsForARunningUpdate) {
    const Samples file = noise(6 * Rate);
    MixerChannel& channel = newChannel();
    channel.setFileName(wav("release.wav", file));
    channel.play();
    render(StepFrames);

    // An update holds the lock (its tick blocks) for longer than any timed wait.
    Gate gate;
    channel.setTickSource([&] {
        gate.wait();
        return now_ += HourMs;
    });
    std::thread updater([&] { channel.update(); });
    gate.waitReached();

    std::atomic<bool> releasing{false};
    std::atomic<bool> released{false};
    std::thread releaser([&] {
        releasing = true;
        channel.releaseBuffer();
        released = true;
    });
    ASSERT_TRUE(waitUntil([&] { return releasing.load(); }));
    std::this_thread::sleep_for(600ms);
    EXPECT_FALSE(released); // still waiting: the update is using the buffer

    gate.open(); // the update goes on and refills the ring
    updater.join();
    releaser.join();
    EXPECT_TRUE(released);
    EXPECT_EQ(channel.State(), ChannelState::csStopped);
    EXPECT_EQ(channel.Position(), 0);
    EXPECT_TRUE(silent(render(StepFrames), FadeSamples));
}

TEST_F(MixerChannelTest, ARefillErrorSilencesTheChannelAndIsLogged) {
    test::LogCapture log;
    const Samples file = noise(6 * Rate);
    MixerChannel& channel = newChannel();
    channel.setFileName(wav("error.wav", file));
    // The real refill thread, every 20 ms, with a tick that fails on demand.
    std::atomic<bool> failing{false};
    std::atomic<int> ticks{0};
    channel.setTickSource([&] {
        ++ticks;
        if (failing)
            throw std::runtime_error("the clock broke");
        return MixerChannel::systemTick();
    });
    channel.setRefillInterval(20);
    channel.play();
    EXPECT_FALSE(silent(render(StepFrames)));

    failing = true;
    ASSERT_TRUE(waitUntil([&] { return !channel.refillError().empty(); }));
    EXPECT_EQ(channel.refillError(), "the clock broke");
    EXPECT_TRUE(log.contains("the clock broke"));
    EXPECT_EQ(channel.State(), ChannelState::csStopped);
    EXPECT_EQ(channel.Position(), 0);
    // Silent, instead of going round its ring until stopped.
    EXPECT_TRUE(silent(render(2 * Rate * 4), FadeSamples));

    // Playing again brings the refills back.
    failing = false;
    channel.play();
    const int before = ticks;
    EXPECT_TRUE(waitUntil([&] { return ticks >= before + 3; }));
    EXPECT_EQ(channel.State(), ChannelState::csPlaying);
}

TEST_F(MixerChannelTest, AChannelOutlivingItsMixerIsShutDown) {
    MixerChannel& channel = newChannel();
    channel.setFileName(wav("orphan.wav", noise(Rate)));
    channel.play();
    mixer_.reset();
    EXPECT_EQ(channel.State(), ChannelState::csStopped);
    EXPECT_EQ(channel.FileName(), "");
    EXPECT_THROW(channel.play(), std::runtime_error);
    channel.setFileName(wav("orphan2.wav", noise(Rate)));
    EXPECT_THROW(channel.play(), std::runtime_error);
}

} // namespace
} // namespace ws
