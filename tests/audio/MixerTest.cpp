// The mixer device through the manual back end: device lists and selection, the properties
// and what an open does with them, closing, what survives failures, and the last fade of a
// sound stopped just before the device or the recording goes.
#include "audio/Mixer.h"
#include "ManualBackEnd.h"
#include "SoundCard.h"
#include "TestSupport.h"
#include "audio/AudioErrors.h"
#include "audio/DeviceResult.h"
#include "audio/MixerChannel.h"
#include "audio/WaveRecorder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <stdexcept>
#include <vector>

namespace ws {
namespace {

// Counts its device notifications and notes whether the device was open at the latest.
class CountingMixer : public Mixer {
public:
    CountingMixer() {
        setOnDeviceChanged([this](Mixer&) {
            ++changes;
            openAtChange = deviceOpen();
        });
    }
    // The counters go before the mixer's own destruction closes the device.
    ~CountingMixer() override { setOnDeviceChanged(nullptr); }

    int changes = 0;
    bool openAtChange = false;
};

const std::vector<OutputDeviceInfo> TwoDevices{{"System default", ""},
                                               {"USB headset", "usb-headset"}};

TEST(MixerTest, DeviceListsSelectionAndPropertyDefaults) {
    test::ManualBackEnd backEnd(TwoDevices);
    Mixer mixer;
    EXPECT_EQ(DeviceDescriptions(), (std::vector<std::string>{"System default", "USB headset"}));
    EXPECT_EQ(DeviceGuids(), (std::vector<std::string>{"", "usb-headset"}));
    EXPECT_EQ(mixer.deviceCount(), 2);
    EXPECT_EQ(mixer.deviceName(1), "USB headset");
    EXPECT_THROW(mixer.deviceName(2), std::out_of_range);
    EXPECT_THROW(mixer.deviceName(-1), std::out_of_range);

    EXPECT_EQ(mixer.BitsPerSample(), BitsPerSample::bs16Bit);
    EXPECT_TRUE(mixer.Stereo());
    EXPECT_EQ(mixer.Frequency(), 44100);
    EXPECT_EQ(mixer.Level(), CooperativeLevel::lPriority);
    EXPECT_EQ(mixer.SpeakerConfig(), 4u);
    EXPECT_EQ(mixer.DeviceIndex(), 0);
    mixer.setFrequency(50);
    EXPECT_EQ(mixer.Frequency(), 100);
    mixer.setFrequency(200000);
    EXPECT_EQ(mixer.Frequency(), 100000);

    // Selecting opens nothing; indices outside the list are ignored.
    mixer.selectDevice(1);
    mixer.selectDevice(-1);
    mixer.selectDevice(2);
    EXPECT_EQ(mixer.DeviceIndex(), 1);
    EXPECT_FALSE(mixer.deviceOpen());
    mixer.soundDevice();
    EXPECT_EQ(backEnd.system().lastOpenedId(), "usb-headset");
    mixer.closeDevice();
    mixer.selectDevice(0);
    mixer.openDevice();
    EXPECT_EQ(backEnd.system().lastOpenedId(), "");
}

TEST(MixerTest, OpeningSetsLevelFormatAndSpeakersAndKeepsWhatTheDeviceTook) {
    test::ManualBackEnd backEnd;
    backEnd.system().setDeviceRate(48000);
    CountingMixer mixer;
    mixer.setLevel(CooperativeLevel::lExclusive);
    mixer.setSpeakerConfig(7);
    SoundDevice& device = mixer.soundDevice();
    EXPECT_EQ(mixer.changes, 1);
    EXPECT_TRUE(mixer.openAtChange);
    EXPECT_EQ(device.cooperativeLevel(), CooperativeExclusive);
    EXPECT_EQ(device.speakerConfig(), 7u);
    EXPECT_EQ(mixer.Frequency(), 48000);
    WaveFormat primary;
    ASSERT_EQ(device.primaryFormat(&primary), 0);
    EXPECT_EQ(primary, WaveFormat::pcm(2, 48000, 16));

    // Open again: nothing at all happens, not even the speaker configuration.
    ASSERT_EQ(device.setSpeakerConfig(9), 0);
    mixer.openDevice();
    EXPECT_EQ(&mixer.soundDevice(), &device);
    EXPECT_EQ(mixer.changes, 1);
    EXPECT_EQ(device.speakerConfig(), 9u);

    // On an open device a new speaker configuration applies at once.
    mixer.setSpeakerConfig(5);
    EXPECT_EQ(device.speakerConfig(), 5u);
    EXPECT_EQ(mixer.SpeakerConfig(), 5u);
}

TEST(MixerTest, EightBitMonoIsAskedForAsSuch) {
    test::ManualBackEnd backEnd;
    Mixer mixer;
    mixer.setBitsPerSample(BitsPerSample::bs8Bit);
    mixer.setStereo(false);
    mixer.setFrequency(22050);
    WaveFormat primary;
    ASSERT_EQ(mixer.soundDevice().primaryFormat(&primary), 0);
    EXPECT_EQ(primary.nChannels, 1);
    EXPECT_EQ(primary.wBitsPerSample, 8);
    EXPECT_EQ(primary.nBlockAlign, 1);
    EXPECT_EQ(primary.nAvgBytesPerSec, 22050u);
    EXPECT_EQ(mixer.BitsPerSample(), BitsPerSample::bs8Bit);
    EXPECT_FALSE(mixer.Stereo());
    EXPECT_EQ(mixer.Frequency(), 22050);
}

TEST(MixerTest, TheNormalLevelLeavesThePrimaryFormatAlone) {
    test::ManualBackEnd backEnd;
    backEnd.system().setDeviceRate(48000);
    Mixer mixer;
    mixer.setLevel(CooperativeLevel::lNormal);
    mixer.setBitsPerSample(BitsPerSample::bs8Bit);
    mixer.setStereo(false);
    SoundDevice& device = mixer.soundDevice();
    EXPECT_EQ(device.cooperativeLevel(), CooperativeNormal);
    WaveFormat primary;
    ASSERT_EQ(device.primaryFormat(&primary), 0);
    EXPECT_EQ(primary.nChannels, 2);
    EXPECT_EQ(primary.wBitsPerSample, 16);
    EXPECT_EQ(mixer.Frequency(), 44100);
    EXPECT_EQ(mixer.BitsPerSample(), BitsPerSample::bs8Bit);
    EXPECT_FALSE(mixer.Stereo());
}

TEST(MixerTest, ClosingReleasesTheDeviceOnceAndReportsTheChange) {
    test::ManualBackEnd backEnd;
    CountingMixer mixer;
    mixer.closeDevice();
    EXPECT_EQ(mixer.changes, 0);
    mixer.openDevice();
    mixer.closeDevice();
    EXPECT_EQ(mixer.changes, 2);
    EXPECT_FALSE(mixer.openAtChange);
    EXPECT_FALSE(mixer.deviceOpen());
    EXPECT_EQ(backEnd.system().current(), nullptr);
    mixer.closeDevice();
    EXPECT_EQ(mixer.changes, 2);
}

TEST(MixerTest, DestroyingAnOpenMixerTellsItsObserverTheDeviceIsReleased) {
    test::ManualBackEnd backEnd;
    std::vector<bool> openAtChanges;
    {
        Mixer mixer;
        mixer.setOnDeviceChanged(
            [&](Mixer& sender) { openAtChanges.push_back(sender.deviceOpen()); });
        mixer.soundDevice();
        ASSERT_EQ(openAtChanges, std::vector<bool>{true});
    }
    EXPECT_EQ(openAtChanges, (std::vector<bool>{true, false}));
    EXPECT_EQ(backEnd.system().current(), nullptr);
}

TEST(MixerTest, AFailedCreationLeavesTheMixerClosedAndIsRetried) {
    test::ManualBackEnd backEnd;
    CountingMixer mixer;
    backEnd.system().failCreateWith(DeviceResult::NoDriver);
    try {
        mixer.soundDevice();
        FAIL() << "opened without a driver";
    } catch (const SoundDeviceError& e) {
        EXPECT_STREQ(e.what(), "No sound driver is available for use.");
        EXPECT_EQ(e.ErrorCode, DeviceResult::NoDriver);
    }
    EXPECT_FALSE(mixer.deviceOpen());
    EXPECT_EQ(mixer.changes, 0);
    backEnd.system().failCreateWith(0);
    EXPECT_NO_THROW(mixer.soundDevice());
    EXPECT_EQ(mixer.changes, 1);
}

TEST(MixerTest, AFailureAfterCreationKeepsTheDeviceUntilItIsClosed) {
    test::ManualBackEnd backEnd;
    CountingMixer mixer;
    // A device that runs at a rate above what may be asked for: the rate read back is
    // stored without the clamp, and the next open asks for it and is refused.
    backEnd.system().setDeviceRate(250000);
    mixer.openDevice();
    EXPECT_EQ(mixer.Frequency(), 250000);
    mixer.closeDevice();
    backEnd.system().setDeviceRate(0);
    mixer.setSpeakerConfig(6);
    try {
        mixer.openDevice();
        FAIL() << "a refused format was not reported";
    } catch (const SoundDeviceError& e) {
        EXPECT_EQ(e.ErrorCode, DeviceResult::BadFormat);
        EXPECT_STREQ(e.what(), "The specified wave format is not supported.");
    }
    EXPECT_TRUE(mixer.deviceOpen());
    EXPECT_EQ(mixer.changes, 3);
    // Later opens return at once; the remaining steps are not retried.
    SoundDevice& device = mixer.soundDevice();
    EXPECT_NE(device.speakerConfig(), 6u);
    EXPECT_EQ(mixer.changes, 3);

    mixer.closeDevice();
    mixer.setFrequency(mixer.Frequency());
    EXPECT_EQ(mixer.Frequency(), 100000);
    EXPECT_EQ(mixer.soundDevice().speakerConfig(), 6u);
    EXPECT_EQ(mixer.changes, 5);
}

TEST(MixerTest, ALostDeviceIsOpenedAgainOnTheNextRequest) {
    test::ManualBackEnd backEnd;
    CountingMixer mixer;
    mixer.soundDevice();
    backEnd.device().loseDevice();
    SoundDevice& second = mixer.soundDevice();
    EXPECT_FALSE(second.lost());
    EXPECT_EQ(&second, backEnd.system().current());
    EXPECT_EQ(mixer.changes, 3);
}

// The last sample that is not silent: low after a fade, the sound's level after a cut.
int16_t lastSound(const std::vector<int16_t>& left) {
    const auto it = std::find_if(left.rbegin(), left.rend(), [](int16_t v) { return v != 0; });
    return it == left.rend() ? 0 : *it;
}

TEST(MixerTest, TheLastFadeIsHeardAndRecordedWhateverEndsTheSound) {
    // A steady loop at half scale (a cut ends on 16384), played by a card on a thread of its
    // own while the device is closed or switched, the take ends, or Stop, Play, Stop come at
    // once.
    test::TempDir dir;
    test::writeWav(dir / "level.wav", 1, 44100, 16, std::vector<int16_t>(44100, 16384));
    for (int then = 0; then < 4; ++then) {
        SCOPED_TRACE(then);
        test::ManualBackEnd backEnd(TwoDevices);
        backEnd.system().setDevicePeriod(10 * 44100); // a busy machine may hold the card up
        Mixer mixer;
        MixerChannel channel(mixer);
        channel.setFileName((dir / "level.wav").string());
        channel.setLoop(true);
        WaveFormat format;
        mixer.soundDevice().primaryFormat(&format);
        WaveRecorder take((dir / "take.wav").string(), format);
        mixer.setOutputTap(take.tap());
        test::SoundCard card(backEnd.system());
        channel.play();
        card.playOn(4410);
        if (then == 0) {
            mixer.closeDevice();
        } else if (then == 1) {
            mixer.selectDevice(1);
            mixer.closeDevice();
            mixer.soundDevice();
        } else if (then == 2) { // a window that closes: its channels go, then the take
            channel.stop();
            mixer.setOutputTap(nullptr);
        } else {
            channel.stop();
            channel.play();
            channel.stop();
        }
        if (then != 0)
            card.playOn(4410);
        EXPECT_LT(std::abs(lastSound(card.stop())), 200);
        mixer.setOutputTap(nullptr);
        take.finish();
        const auto recorded = test::waveLeft(dir / "take.wav");
        ASSERT_GT(recorded.size(), 4410u);
        EXPECT_GT(*std::max_element(recorded.begin(), recorded.end()), 16000);
        EXPECT_LT(std::abs(lastSound(recorded)), 200);
    }
}

} // namespace
} // namespace ws
