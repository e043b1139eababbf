// Recording what the device plays: the file holds exactly the bytes the device rendered,
// whatever size its callbacks have, and a place that fills up or refuses writing ends the
// recording with its reason and leaves a valid wave file of what came before.
#include "audio/WaveRecorder.h"
#include "FileSizeLimit.h"
#include "MixRig.h"
#include "TestSupport.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <chrono>
#include <cmath>
#include <thread>

namespace ws::test {
namespace {

struct WaveContents {
    int rate = 0;
    int channels = 0;
    std::vector<int16_t> samples;
};

WaveContents readWave(const std::filesystem::path& file) {
    SF_INFO info{};
    SNDFILE* f = sf_open(file.c_str(), SFM_READ, &info);
    EXPECT_NE(f, nullptr) << file << ": " << sf_strerror(nullptr);
    WaveContents w;
    if (!f)
        return w;
    EXPECT_EQ(info.format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    w.rate = info.samplerate;
    w.channels = info.channels;
    w.samples.resize(static_cast<std::size_t>(info.frames * info.channels));
    EXPECT_EQ(sf_read_short(f, w.samples.data(), static_cast<sf_count_t>(w.samples.size())),
              static_cast<sf_count_t>(w.samples.size()));
    sf_close(f);
    return w;
}

// A 22050 Hz tone with a sweep on both channels, so that resampling, volume and pan all
// shape what the device renders.
std::unique_ptr<SoundBuffer> playTone(MixRig& rig) {
    std::vector<int16_t> tone(2 * 22050 / 2);
    for (std::size_t i = 0; i < tone.size() / 2; ++i) {
        const double t = double(i) / 22050.0;
        tone[2 * i] = static_cast<int16_t>(20000 * std::sin(2 * M_PI * (300 + 400 * t) * t));
        tone[2 * i + 1] = static_cast<int16_t>(15000 * std::sin(2 * M_PI * 523.0 * t));
    }
    auto buffer = rig.buffer16(tone, 2, 22050);
    EXPECT_EQ(buffer->setVolume(-600), DeviceResult::Ok);
    EXPECT_EQ(buffer->setPan(1500), DeviceResult::Ok);
    EXPECT_EQ(buffer->play(true), DeviceResult::Ok);
    return buffer;
}

// Renders `frames` in callbacks of `callback` frames into a recording; returns what the
// device rendered.
std::vector<uint8_t> renderRecorded(MixRig& rig, const std::filesystem::path& file,
                                    std::size_t frames, std::size_t callback) {
    const WaveFormat out = rig.output();
    WaveRecorder recorder(file.string(), out);
    rig.device->setOutputTap(recorder.tap());
    std::vector<uint8_t> rendered(frames * out.nBlockAlign);
    for (std::size_t done = 0; done < frames; done += callback) {
        const std::size_t n = std::min(callback, frames - done);
        rig.manual->render(rendered.data() + done * out.nBlockAlign, n);
    }
    rig.device->setOutputTap(nullptr);
    recorder.finish();
    EXPECT_FALSE(recorder.failed()) << recorder.failure();
    EXPECT_EQ(recorder.framesDropped(), 0u);
    EXPECT_EQ(recorder.framesWritten(), frames);
    return rendered;
}

TEST(WaveRecorderTest, RecordsExactlyWhatTheDeviceRendersWhateverTheCallbackSize) {
    TempDir dir;
    const std::size_t frames = 44100 + 4321; // not a multiple of any callback size below
    std::vector<int16_t> first;
    for (const std::size_t callback : {64u, 100u, 256u, 1000u, 4096u}) {
        SCOPED_TRACE(callback);
        MixRig rig(44100, 2, 16);
        auto tone = playTone(rig);
        const auto file = dir / ("cb" + std::to_string(callback) + ".wav");
        const std::vector<uint8_t> rendered = renderRecorded(rig, file, frames, callback);
        const WaveContents w = readWave(file);
        EXPECT_EQ(w.rate, 44100);
        EXPECT_EQ(w.channels, 2);
        ASSERT_EQ(w.samples.size() * 2, rendered.size());
        EXPECT_EQ(std::memcmp(w.samples.data(), rendered.data(), rendered.size()), 0);
        if (first.empty())
            first = w.samples;
        else
            EXPECT_EQ(w.samples, first) << "the recording depends on the callback size";
    }

    // An 8-bit mono device is recorded as 16-bit samples of the same values.
    MixRig rig(22050, 1, 8);
    auto tone = playTone(rig);
    const std::vector<uint8_t> rendered = renderRecorded(rig, dir / "8bit.wav", 22050, 512);
    const WaveContents w = readWave(dir / "8bit.wav");
    EXPECT_EQ(w.rate, 22050);
    EXPECT_EQ(w.channels, 1);
    ASSERT_EQ(w.samples.size(), rendered.size());
    std::size_t differing = 0;
    for (std::size_t i = 0; i < rendered.size(); ++i)
        differing += w.samples[i] != (int(rendered[i]) - 128) * 256;
    EXPECT_EQ(differing, 0u);
}

TEST(WaveRecorderTest, DeviceReopenedInAnotherFormatEndsWhatIsRecorded) {
    TempDir dir;
    MixRig rig(44100, 2, 16);
    auto tone = playTone(rig);
    WaveRecorder recorder((dir / "r.wav").string(), rig.output());
    rig.device->setOutputTap(recorder.tap());
    const auto before = rig.render16(1000);
    ASSERT_EQ(rig.device->setPrimaryFormat(WaveFormat::pcm(2, 48000, 16)), DeviceResult::Ok);
    rig.render16(1000);
    EXPECT_TRUE(recorder.formatChanged());
    rig.device->setOutputTap(nullptr);
    recorder.finish();
    EXPECT_EQ(readWave(dir / "r.wav").samples, before);
}

TEST(WaveRecorderTest, AFullDiskEndsTheRecordingWithItsReasonAndAValidFile) {
    TempDir dir;
    const auto file = dir / "full.wav";
    MixRig rig(44100, 2, 16);
    auto tone = playTone(rig);
    std::vector<uint8_t> rendered;
    uint64_t written = 0;
    std::string failure;
    {
        const rlim_t room = 100000;
        FileSizeLimit limit(room);
        WaveRecorder recorder(file.string(), rig.output());
        rig.device->setOutputTap(recorder.tap());
        // A second of sound does not fit; render in steps the writer keeps up with.
        for (int i = 0; i < 44 && !recorder.failed(); ++i) {
            const auto part = rig.render16(1000);
            rendered.insert(rendered.end(), reinterpret_cast<const uint8_t*>(part.data()),
                            reinterpret_cast<const uint8_t*>(part.data() + part.size()));
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (!recorder.failed() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        ASSERT_TRUE(recorder.failed()) << "the recording went on past the room there was";
        failure = recorder.failure();
        // Valid as it stands, before the recording is closed: the header keeps up.
        EXPECT_EQ(declaredWaveDataBytes(file), recorder.framesWritten() * 4);
        rig.device->setOutputTap(nullptr);
        recorder.finish();
        written = recorder.framesWritten();
        EXPECT_LE(std::filesystem::file_size(file), room);
    }
    EXPECT_NE(failure.find("too large"), std::string::npos) << failure;
    const WaveContents w = readWave(file);
    EXPECT_GT(written, 10000u);
    EXPECT_EQ(declaredWaveDataBytes(file), written * 4);
    ASSERT_EQ(w.samples.size(), written * 2);
    EXPECT_EQ(std::memcmp(w.samples.data(), rendered.data(), w.samples.size() * 2), 0);
}

TEST(WaveRecorderTest, APlaceThatCannotBeWrittenIsRefusedWithItsReason) {
    TempDir dir;
    const auto missing = dir / "no such folder" / "r.wav";
    try {
        WaveRecorder recorder(missing.string(), WaveFormat::pcm(2, 44100, 16));
        FAIL() << "a recording was made in a folder that does not exist";
    } catch (const RecordingError& e) {
        const std::string text = e.what();
        EXPECT_NE(text.find(missing.string()), std::string::npos) << text;
        EXPECT_NE(text.find("No such file"), std::string::npos) << text;
    }
}

} // namespace
} // namespace ws::test
