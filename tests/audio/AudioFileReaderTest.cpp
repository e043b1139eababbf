// The audio file reader: format, block data and times, end of stream and seeking on
// generated files; compressed, wide and damaged files; every file of the real-world corpus.
#include "audio/AudioFileReader.h"
#include "audio/AudioErrors.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <fstream>
#include <sndfile.h>
#include <vector>

namespace fs = std::filesystem;
using ws::AudioFileReader;
using ws::AudioReadError;
using ws::WaveFormat;

namespace {

constexpr int64_t Units = 10'000'000; // 100 ns units per second

int64_t timeOf(int64_t frames, int rate) {
    return frames * Units / rate;
}

// A deterministic signal covering the whole 16-bit range, including both extremes.
std::vector<int16_t> testSamples(size_t count) {
    std::vector<int16_t> samples(count);
    uint32_t x = 12345;
    for (size_t i = 0; i < count; ++i) {
        x = x * 1664525u + 1013904223u;
        samples[i] = static_cast<int16_t>(x >> 16);
    }
    if (count > 2) {
        samples[0] = -32768;
        samples[1] = 32767;
    }
    return samples;
}

// What the reader must deliver for samples written by ws::test::writeWav.
std::vector<uint8_t> expectedBytes(const std::vector<int16_t>& samples, int bits) {
    std::vector<uint8_t> bytes;
    for (int16_t s : samples) {
        if (bits == 8) {
            bytes.push_back(static_cast<uint8_t>((s >> 8) + 128));
        } else {
            bytes.push_back(static_cast<uint8_t>(static_cast<uint16_t>(s) & 0xFF));
            bytes.push_back(static_cast<uint8_t>(static_cast<uint16_t>(s) >> 8));
        }
    }
    return bytes;
}

// Reads the whole stream in requests of `request` bytes.
std::vector<uint8_t> readAll(AudioFileReader& reader, uint32_t request) {
    std::vector<uint8_t> all, block(request);
    for (;;) {
        const uint32_t got = reader.read(block.data(), request);
        if (got == 0)
            break;
        all.insert(all.end(), block.begin(), block.begin() + got);
        if (got < request)
            break;
    }
    return all;
}

void writeBytes(const fs::path& file, const std::vector<uint8_t>& bytes) {
    std::ofstream out(file, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

void put32(std::vector<uint8_t>& v, uint32_t x) {
    for (int i = 0; i < 4; ++i)
        v.push_back(static_cast<uint8_t>(x >> (8 * i)));
}
void put16(std::vector<uint8_t>& v, uint16_t x) {
    v.push_back(static_cast<uint8_t>(x));
    v.push_back(static_cast<uint8_t>(x >> 8));
}

// A mono 16-bit 22050 Hz WAV image whose header may claim sizes other than the real ones.
std::vector<uint8_t> wavImage(const std::vector<int16_t>& samples, uint32_t claimedDataBytes,
                              uint32_t claimedRiffBytes) {
    std::vector<uint8_t> v{'R', 'I', 'F', 'F'};
    put32(v, claimedRiffBytes);
    v.insert(v.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    put32(v, 16);
    put16(v, 1);
    put16(v, 1);
    put32(v, 22050);
    put32(v, 44100);
    put16(v, 2);
    put16(v, 16);
    v.insert(v.end(), {'d', 'a', 't', 'a'});
    put32(v, claimedDataBytes);
    for (int16_t s : samples)
        put16(v, static_cast<uint16_t>(s));
    return v;
}

struct Layout {
    int channels;
    int rate;
    int bits;
};

class GeneratedFile : public ::testing::TestWithParam<Layout> {
protected:
    static constexpr int Frames = 5000;
    void SetUp() override {
        const Layout l = GetParam();
        samples = testSamples(size_t(Frames) * l.channels);
        file = dir / "tone.wav";
        ws::test::writeWav(file, l.channels, l.rate, l.bits, samples);
    }
    ws::test::TempDir dir;
    fs::path file;
    std::vector<int16_t> samples;
};

} // namespace

TEST_P(GeneratedFile, ReportsItsOwnFormatAndLength) {
    const Layout l = GetParam();
    AudioFileReader reader(file.string());
    EXPECT_EQ(reader.Format(),
              WaveFormat::pcm(uint16_t(l.channels), uint32_t(l.rate), uint16_t(l.bits)));
    EXPECT_EQ(reader.Format().nBlockAlign, l.channels * l.bits / 8);
    EXPECT_EQ(reader.Format().nAvgBytesPerSec, uint32_t(l.rate) * l.channels * l.bits / 8);
    EXPECT_EQ(reader.FileName(), file.string());
    EXPECT_EQ(reader.StreamDuration(), timeOf(Frames, l.rate));
    EXPECT_EQ(reader.StreamPosition(), 0);
}

TEST_P(GeneratedFile, DeliversTheDataBitForBitWithBlockTimes) {
    const Layout l = GetParam();
    AudioFileReader reader(file.string());
    const uint32_t blockAlign = reader.Format().nBlockAlign;
    const uint32_t request = 777 * blockAlign; // does not divide the stream evenly
    std::vector<uint8_t> all, block(request);
    int64_t frames = 0;
    for (;;) {
        const uint32_t got = reader.read(block.data(), request);
        if (got == 0)
            break;
        SCOPED_TRACE(frames);
        ASSERT_EQ(got % blockAlign, 0u);
        // Full blocks while the stream lasts; a short one only where it ends.
        if (got < request) {
            EXPECT_EQ(frames + got / blockAlign, Frames);
        }
        EXPECT_EQ(reader.SampleStartTime(), timeOf(frames, l.rate));
        frames += got / blockAlign;
        EXPECT_EQ(reader.SampleEndTime(), timeOf(frames, l.rate));
        EXPECT_EQ(reader.StreamPosition(), reader.SampleEndTime());
        all.insert(all.end(), block.begin(), block.begin() + got);
    }
    EXPECT_EQ(frames, Frames);
    EXPECT_EQ(all, expectedBytes(samples, l.bits));
}

TEST_P(GeneratedFile, StaysExhaustedAtTheEndUntilRewound) {
    AudioFileReader reader(file.string());
    const uint32_t blockAlign = reader.Format().nBlockAlign;
    std::vector<uint8_t> first(64 * blockAlign);
    ASSERT_EQ(reader.read(first.data(), uint32_t(first.size())), first.size());

    const std::vector<uint8_t> rest = readAll(reader, 1000 * blockAlign);
    EXPECT_EQ(first.size() + rest.size(), size_t(Frames) * blockAlign);
    const int64_t lastStart = reader.SampleStartTime();
    EXPECT_EQ(reader.StreamPosition(), reader.StreamDuration());

    std::vector<uint8_t> block(first.size());
    EXPECT_EQ(reader.read(block.data(), uint32_t(block.size())), 0u);
    EXPECT_EQ(reader.read(block.data(), uint32_t(block.size())), 0u);
    EXPECT_EQ(reader.StreamPosition(), reader.StreamDuration());
    EXPECT_EQ(reader.SampleStartTime(), lastStart);
    EXPECT_EQ(reader.SampleEndTime(), reader.StreamDuration());

    reader.seek(0);
    EXPECT_EQ(reader.StreamPosition(), 0);
    ASSERT_EQ(reader.read(block.data(), uint32_t(block.size())), block.size());
    EXPECT_EQ(block, first);
    EXPECT_EQ(reader.SampleStartTime(), 0);
}

INSTANTIATE_TEST_SUITE_P(AudioFileReader, GeneratedFile,
                         ::testing::Values(Layout{2, 44100, 16}, Layout{1, 22050, 16},
                                           Layout{1, 11025, 8}),
                         [](const auto& info) {
                             const Layout& l = info.param;
                             return std::to_string(l.bits) + "bit" + std::to_string(l.channels) +
                                    "ch" + std::to_string(l.rate);
                         });

TEST(AudioFileReader, SeekClampsToTheStreamAndLandsOnTheNextFrame) {
    ws::test::TempDir dir;
    const int rate = 44100, frames = 3000; // one frame is 226.76 time units
    const auto samples = testSamples(frames * 2);
    ws::test::writeWav(dir / "s.wav", 2, rate, 16, samples);
    const auto bytes = expectedBytes(samples, 16);
    AudioFileReader reader((dir / "s.wav").string());
    std::vector<uint8_t> block(40);

    reader.seek(-5);
    EXPECT_EQ(reader.StreamPosition(), 0);
    reader.seek(reader.StreamDuration() + 1'000'000);
    EXPECT_EQ(reader.StreamPosition(), reader.StreamDuration());
    EXPECT_EQ(reader.read(block.data(), 40), 0u);

    // The start time of a frame lands exactly on that frame.
    reader.seek(timeOf(1234, rate));
    EXPECT_EQ(reader.StreamPosition(), timeOf(1234, rate));
    ASSERT_EQ(reader.read(block.data(), 40), 40u);
    EXPECT_EQ(reader.SampleStartTime(), timeOf(1234, rate));
    EXPECT_TRUE(std::equal(block.begin(), block.end(), bytes.begin() + 1234 * 4));

    // A time inside a frame keeps the requested time as the position and reads on from
    // the next whole frame.
    const int64_t inside = timeOf(100, rate) + 100;
    reader.seek(inside);
    EXPECT_EQ(reader.StreamPosition(), inside);
    ASSERT_EQ(reader.read(block.data(), 40), 40u);
    EXPECT_EQ(reader.SampleStartTime(), timeOf(101, rate));
    EXPECT_TRUE(std::equal(block.begin(), block.end(), bytes.begin() + 101 * 4));

    // The very end of the stream is reachable and leaves nothing to read.
    reader.seek(0);
    reader.seek(reader.StreamDuration());
    EXPECT_EQ(reader.read(block.data(), 40), 0u);
}

TEST(AudioFileReader, RefusesEmptyAndSubFrameRequestsAndReadsWholeFramesOnly) {
    ws::test::TempDir dir;
    const auto samples = testSamples(200 * 2);
    ws::test::writeWav(dir / "s.wav", 2, 44100, 16, samples);
    AudioFileReader reader((dir / "s.wav").string());
    std::vector<uint8_t> block(16, 0xAA);

    for (void* buffer : {static_cast<void*>(block.data()), static_cast<void*>(nullptr)}) {
        try {
            reader.read(buffer, 0);
            ADD_FAILURE() << "a 0-byte read must raise";
        } catch (const AudioReadError& e) {
            EXPECT_STREQ(e.what(), "Invalid buffer size.");
            EXPECT_EQ(e.ErrorCode, 0x08000001);
        }
    }
    EXPECT_THROW(reader.read(block.data(), 3), AudioReadError); // less than one frame
    EXPECT_EQ(reader.StreamPosition(), 0);

    // 10 bytes hold two 4-byte frames: those are read and the last two bytes are left.
    EXPECT_EQ(reader.read(block.data(), 10), 8u);
    EXPECT_EQ(block[8], 0xAA);
    EXPECT_EQ(block[9], 0xAA);
    const auto bytes = expectedBytes(samples, 16);
    EXPECT_TRUE(std::equal(block.begin(), block.begin() + 8, bytes.begin()));
    EXPECT_EQ(reader.SampleEndTime(), timeOf(2, 44100));
}

TEST(AudioFileReader, DecodesIntoUnalignedMemory) {
    ws::test::TempDir dir;
    const auto samples = testSamples(4000);
    ws::test::writeWav(dir / "s.wav", 1, 22050, 16, samples);
    AudioFileReader reader((dir / "s.wav").string());
    std::vector<uint8_t> block(8001);
    ASSERT_EQ(reader.read(block.data() + 1, 8000), 8000u);
    const auto bytes = expectedBytes(samples, 16);
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), block.begin() + 1));
}

TEST(AudioFileReader, ResultCheckUsesTheTableAndKeepsTheCode) {
    EXPECT_NO_THROW(ws::checkStreamResult(0));
    const std::pair<uint32_t, const char*> cases[] = {
        {0x00040002, "Sample was not updated after forced completion."}, // success, still raises
        {0x00040003, "Reached the end of the stream; the sample wasn't updated."},
        {0x08000001, "Invalid buffer size."},
        {0x80040404, "One or more media streams don't support seeking."},
        {0x8004040A, "The IMultiMediaStream object is not in running state."},
        {0x80070057, "One of the parameters is invalid."},
        {0x12345678, "Unrecognized error value."},
        {0x80040400, "Unrecognized error value."},
        {0xFFFFFFFF, "Unrecognized error value."},
    };
    for (const auto& [code, text] : cases) {
        SCOPED_TRACE(code);
        try {
            ws::checkStreamResult(static_cast<int32_t>(code));
            ADD_FAILURE() << "no exception";
        } catch (const AudioReadError& e) {
            EXPECT_STREQ(e.what(), text);
            EXPECT_EQ(e.ErrorCode, static_cast<int32_t>(code));
        }
    }
}

TEST(AudioFileReader, OpenFailuresCarryTheDecodersReason) {
    ws::test::TempDir dir;
    const std::vector<uint8_t> text{'n', 'o', 't', ' ', 'a', 'u', 'd', 'i', 'o', '\n'};
    writeBytes(dir / "text.wav", text);
    ws::test::touch(dir / "empty.wav");
    fs::create_directory(dir / "folder.wav");

    for (const fs::path& file :
         {dir / "missing.wav", dir / "text.wav", dir / "empty.wav", dir / "folder.wav"}) {
        SCOPED_TRACE(file.string());
        SF_INFO info{};
        ASSERT_EQ(sf_open(file.c_str(), SFM_READ, &info), nullptr);
        const std::string reason = sf_strerror(nullptr);
        try {
            AudioFileReader reader(file.string());
            ADD_FAILURE() << "opened";
        } catch (const AudioReadError& e) {
            EXPECT_EQ(e.what(), reason);
            EXPECT_GT(e.ErrorCode, ws::StreamOpenFailed);
            EXPECT_LE(e.ErrorCode, ws::StreamOpenFailed + 0x1FF);
        }
    }
}

TEST(AudioFileReader, HeadersThatLieAboutTheDataDoNotMisleadReads) {
    ws::test::TempDir dir;
    const auto samples = testSamples(1000);
    const auto bytes = expectedBytes(samples, 16);
    struct Case {
        const char* name;
        std::vector<uint8_t> image;
        size_t realFrames;
    };
    std::vector<Case> cases{
        {"huge-data", wavImage(samples, 0x7FFFFFF0, 0x7FFFFFF0), 1000},
        {"streaming-sizes", wavImage(samples, 0xFFFFFFFF, 0xFFFFFFFF), 1000},
        {"odd-data", wavImage(samples, 2001, 2037), 1000},
    };
    auto truncated = wavImage(samples, 2000, 2036);
    truncated.resize(44 + 1001); // ends half-way into frame 500
    cases.push_back({"truncated", truncated, 500});

    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path file = dir / (std::string(c.name) + ".wav");
        writeBytes(file, c.image);
        AudioFileReader reader(file.string());
        EXPECT_EQ(reader.StreamDuration(), timeOf(int64_t(c.realFrames), 22050));
        const auto all = readAll(reader, 2 * 333);
        ASSERT_EQ(all.size(), c.realFrames * 2);
        EXPECT_TRUE(std::equal(all.begin(), all.end(), bytes.begin()));
        std::vector<uint8_t> block(64);
        EXPECT_EQ(reader.read(block.data(), 64), 0u);
    }
}

namespace {

// A 32-bit sample whose low bytes differ from sample to sample.
uint32_t wideSample(int16_t top, size_t i) {
    return uint32_t(uint16_t(top)) << 16 | ((uint32_t(i) * 0x9E37u) << 8 & 0xFFFF00u);
}

struct Encoding {
    const char* name;
    const char* extension;
    int format;
    uint16_t bits;
    uint16_t tag;
    bool lossless; // the decoded data must equal what was written
};

void writeWith(const fs::path& file, int format, const std::vector<int16_t>& samples, int channels,
               int rate) {
    SF_INFO info{};
    info.channels = channels;
    info.samplerate = rate;
    info.format = format;
    SNDFILE* sf = sf_open(file.c_str(), SFM_WRITE, &info);
    ASSERT_NE(sf, nullptr) << sf_strerror(nullptr);
    // Wider files get 24- and 32-bit detail below the 16 bits so that a reader that
    // delivered only 16 bits would be caught.
    if ((format & SF_FORMAT_SUBMASK) == SF_FORMAT_PCM_24 ||
        (format & SF_FORMAT_SUBMASK) == SF_FORMAT_PCM_32) {
        std::vector<int> wide(samples.size());
        for (size_t i = 0; i < samples.size(); ++i)
            wide[i] = static_cast<int>(wideSample(samples[i], i));
        sf_write_int(sf, wide.data(), sf_count_t(wide.size()));
    } else if ((format & SF_FORMAT_SUBMASK) == SF_FORMAT_FLOAT) {
        std::vector<float> floats(samples.size());
        for (size_t i = 0; i < samples.size(); ++i)
            floats[i] = float(samples[i]) / 32768.0f;
        sf_write_float(sf, floats.data(), sf_count_t(floats.size()));
    } else {
        sf_write_short(sf, samples.data(), sf_count_t(samples.size()));
    }
    sf_close(sf);
}

// The bytes a reader must deliver for a lossless file written by writeWith.
std::vector<uint8_t> losslessBytes(const std::vector<int16_t>& samples, int format) {
    const int sub = format & SF_FORMAT_SUBMASK;
    std::vector<uint8_t> bytes;
    for (size_t i = 0; i < samples.size(); ++i) {
        const uint32_t wide = wideSample(samples[i], i);
        if (sub == SF_FORMAT_PCM_24) {
            for (int b = 1; b < 4; ++b)
                bytes.push_back(uint8_t(wide >> (8 * b)));
        } else if (sub == SF_FORMAT_PCM_32) {
            for (int b = 0; b < 4; ++b)
                bytes.push_back(uint8_t(wide >> (8 * b)));
        } else if (sub == SF_FORMAT_FLOAT) {
            const auto bits = std::bit_cast<uint32_t>(float(samples[i]) / 32768.0f);
            for (int b = 0; b < 4; ++b)
                bytes.push_back(uint8_t(bits >> (8 * b)));
        }
    }
    return bytes;
}

class EncodedFile : public ::testing::TestWithParam<Encoding> {};

} // namespace

TEST_P(EncodedFile, DecodesToTheExpectedWidthAndLength) {
    const Encoding enc = GetParam();
    ws::test::TempDir dir;
    const fs::path file = dir / (std::string("tone.") + enc.extension);
    const int rate = 48000, channels = 2;
    std::vector<int16_t> samples = testSamples(size_t(12000) * channels);
    if (!enc.lossless || enc.bits == 8) {
        // A smooth tone for the lossy coders; 8-bit files hold only the top byte.
        for (size_t i = 0; i < samples.size(); ++i)
            samples[i] = int16_t(int(9000 * std::sin(double(i / channels) * 0.05)) & ~0xFF);
    }
    writeWith(file, enc.format, samples, channels, rate);

    SF_INFO info{};
    SNDFILE* ref = sf_open(file.c_str(), SFM_READ, &info);
    ASSERT_NE(ref, nullptr) << sf_strerror(nullptr);
    std::vector<int16_t> reference(size_t(std::max<sf_count_t>(info.frames, 0)) * channels);
    reference.resize(size_t(sf_readf_short(ref, reference.data(), info.frames)) * channels);
    sf_close(ref);
    if (!enc.lossless) {
        // Where a lossy decoder rang past full scale, the library's own 16-bit samples
        // wrapped round; the reader holds them at full scale instead.
        ref = sf_open(file.c_str(), SFM_READ, &info);
        ASSERT_NE(ref, nullptr) << sf_strerror(nullptr);
        std::vector<float> floats(reference.size());
        ASSERT_EQ(size_t(sf_readf_float(ref, floats.data(), info.frames)) * channels,
                  reference.size());
        sf_close(ref);
        for (size_t i = 0; i < floats.size(); ++i) {
            if (floats[i] * 32767.0f > 32767.5f)
                reference[i] = 32767;
            else if (floats[i] * 32767.0f < -32768.5f)
                reference[i] = -32768;
        }
    }

    AudioFileReader reader(file.string());
    EXPECT_EQ(reader.Format().wBitsPerSample, enc.bits);
    EXPECT_EQ(reader.Format().wFormatTag, enc.tag);
    EXPECT_EQ(reader.Format().nChannels, channels);
    EXPECT_EQ(reader.Format().nSamplesPerSec, uint32_t(rate));
    EXPECT_EQ(reader.Format().nBlockAlign, channels * enc.bits / 8);
    EXPECT_EQ(reader.Format().nAvgBytesPerSec, uint32_t(rate) * channels * enc.bits / 8);
    EXPECT_EQ(reader.StreamDuration(), timeOf(info.frames, rate));

    const auto all = readAll(reader, 1001 * reader.Format().nBlockAlign);
    EXPECT_EQ(all.size(), size_t(info.frames) * reader.Format().nBlockAlign);
    if (enc.bits == 16) // compare with the decoder library's own decoding
        EXPECT_EQ(all, expectedBytes(reference, 16));
    else if (enc.bits == 8)
        EXPECT_EQ(all, expectedBytes(samples, 8));
    else
        EXPECT_EQ(all, losslessBytes(samples, enc.format));
    if (enc.lossless && enc.bits == 16) {
        EXPECT_EQ(all, expectedBytes(samples, 16));
    }
}

INSTANTIATE_TEST_SUITE_P(
    AudioFileReader, EncodedFile,
    ::testing::Values(
        Encoding{"flac16", "flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 16, 1, true},
        Encoding{"flac8", "flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_S8, 8, 1, true},
        Encoding{"aiff8signed", "aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_S8, 8, 1, true},
        Encoding{"imaAdpcm", "wav", SF_FORMAT_WAV | SF_FORMAT_IMA_ADPCM, 16, 1, false},
        Encoding{"msAdpcm", "wav", SF_FORMAT_WAV | SF_FORMAT_MS_ADPCM, 16, 1, false},
        Encoding{"muLaw", "wav", SF_FORMAT_WAV | SF_FORMAT_ULAW, 16, 1, false},
        Encoding{"vorbis", "ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS, 16, 1, false},
        Encoding{"mp3", "mp3", SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, 16, 1, false},
        Encoding{"bigEndian16", "aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_16, 16, 1, true},
        Encoding{"pcm24", "wav", SF_FORMAT_WAV | SF_FORMAT_PCM_24, 24, 1, true},
        Encoding{"pcm32", "wav", SF_FORMAT_WAV | SF_FORMAT_PCM_32, 32, 1, true},
        Encoding{"float", "wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 32, 3, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(AudioFileReader, ReadsEveryCorpusFileToItsEndOrRefusesItClearly) {
    const fs::path corpus = ws::test::corpusDir();
    if (corpus.empty())
        GTEST_SKIP() << "the real-world audio corpus is absent";
    std::vector<fs::path> files;
    for (const auto& entry : fs::recursive_directory_iterator(corpus)) {
        std::string ext = entry.path().extension().string();
        std::transform(ext.begin(), ext.end(), ext.begin(), ::tolower);
        if (entry.is_regular_file() && ext == ".wav")
            files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    ASSERT_FALSE(files.empty());

    int opened = 0, refused = 0;
    for (const fs::path& file : files) {
        SCOPED_TRACE(file.string());
        SF_INFO info{};
        SNDFILE* ref = sf_open(file.c_str(), SFM_READ, &info);
        if (!ref) {
            try {
                AudioFileReader reader(file.string());
                ADD_FAILURE() << "opened a file the decoder library refuses";
            } catch (const AudioReadError& e) {
                EXPECT_GT(std::strlen(e.what()), 10u);
                ++refused;
            }
            continue;
        }
        std::vector<int16_t> reference(size_t(info.frames) * size_t(info.channels));
        reference.resize(size_t(sf_readf_short(ref, reference.data(), info.frames)) *
                         size_t(info.channels));
        sf_close(ref);

        AudioFileReader reader(file.string());
        ++opened;
        const WaveFormat& f = reader.Format();
        const int sub = info.format & SF_FORMAT_SUBMASK;
        EXPECT_EQ(f.nChannels, info.channels);
        EXPECT_EQ(f.nSamplesPerSec, uint32_t(info.samplerate));
        EXPECT_EQ(f.nBlockAlign, f.nChannels * f.wBitsPerSample / 8);
        EXPECT_EQ(f.nAvgBytesPerSec, f.nSamplesPerSec * f.nBlockAlign);
        EXPECT_EQ(f.wFormatTag, sub == SF_FORMAT_FLOAT || sub == SF_FORMAT_DOUBLE ? 3 : 1);
        EXPECT_EQ(reader.StreamDuration(), timeOf(info.frames, info.samplerate));

        const auto all = readAll(reader, 997 * f.nBlockAlign);
        EXPECT_EQ(all.size(), size_t(info.frames) * f.nBlockAlign);
        if (f.wBitsPerSample == 16 || f.wBitsPerSample == 8)
            EXPECT_EQ(all, expectedBytes(reference, f.wBitsPerSample));
        else
            EXPECT_TRUE(f.wBitsPerSample == 24 || f.wBitsPerSample == 32 || f.wBitsPerSample == 64);

        // Rewound, it delivers the same first block again.
        if (!all.empty()) {
            reader.seek(0);
            std::vector<uint8_t> block(std::min<size_t>(all.size(), 64 * f.nBlockAlign));
            ASSERT_EQ(reader.read(block.data(), uint32_t(block.size())), block.size());
            EXPECT_TRUE(std::equal(block.begin(), block.end(), all.begin()));
        }
    }
    EXPECT_GT(opened, 0);
    EXPECT_GT(refused, 0);
}

TEST(AudioFileReader, LoudLossyFilesAreClampedNotWrapped) {
    // A full-scale square wave: lossy coding rings past full scale at every edge, so the
    // decoded peaks lie beyond what 16 bits hold.
    const int rate = 44100;
    std::vector<float> square(size_t(rate) / 2);
    for (size_t i = 0; i < square.size(); ++i)
        square[i] = (i / 50) % 2 == 0 ? 1.0f : -1.0f;

    ws::test::TempDir dir;
    const std::pair<const char*, int> encodings[] = {
        {"square.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS},
        {"square.mp3", SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III},
    };
    for (const auto& [name, format] : encodings) {
        SCOPED_TRACE(name);
        const fs::path file = dir / name;
        SF_INFO info{};
        info.channels = 1;
        info.samplerate = rate;
        info.format = format;
        SNDFILE* out = sf_open(file.c_str(), SFM_WRITE, &info);
        ASSERT_NE(out, nullptr) << sf_strerror(nullptr);
        sf_write_float(out, square.data(), sf_count_t(square.size()));
        sf_close(out);

        // The decoder library's own float decoding really goes past full scale.
        SNDFILE* in = sf_open(file.c_str(), SFM_READ, &info);
        ASSERT_NE(in, nullptr) << sf_strerror(nullptr);
        std::vector<float> decoded(size_t(info.frames));
        decoded.resize(size_t(sf_readf_float(in, decoded.data(), info.frames)));
        sf_close(in);
        const auto over = std::count_if(decoded.begin(), decoded.end(),
                                        [](float s) { return s * 32767.0f > 32767.5f; });
        const auto under = std::count_if(decoded.begin(), decoded.end(),
                                         [](float s) { return s * 32767.0f < -32768.5f; });
        ASSERT_GT(over, 10);
        ASSERT_GT(under, 10);

        AudioFileReader reader(file.string());
        ASSERT_EQ(reader.Format().wBitsPerSample, 16);
        const auto bytes = readAll(reader, 1000 * 2);
        ASSERT_EQ(bytes.size(), decoded.size() * 2);
        int clampedHigh = 0, clampedLow = 0;
        for (size_t i = 0; i < decoded.size(); ++i) {
            const auto sample = static_cast<int16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
            const float wanted = decoded[i] * 32767.0f;
            if (wanted > 32767.5f) {
                ASSERT_EQ(sample, 32767) << "at " << i << ": " << decoded[i];
                ++clampedHigh;
            } else if (wanted < -32768.5f) {
                ASSERT_EQ(sample, -32768) << "at " << i << ": " << decoded[i];
                ++clampedLow;
            } else {
                ASSERT_LE(std::abs(sample - wanted), 0.5f) << "at " << i << ": " << decoded[i];
            }
        }
        EXPECT_EQ(clampedHigh, over);
        EXPECT_EQ(clampedLow, under);
    }
}
