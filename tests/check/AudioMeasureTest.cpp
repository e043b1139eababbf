// The per-file audio measurements: generated files with one known defect each (a cut loop,
// silence at the ends, a DC offset, clipped runs at each width's full scale), loudness
// against values worked out from the EBU definition, formats and damaged files, and every
// file of the real-world corpus.
#include "check/AudioMeasure.h"
#include "check/SeamMeasure.h"

#include "audio/AudioErrors.h"
#include "audio/AudioFileReader.h"

#include "Signals.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <numbers>
#include <random>
#include <sndfile.h>
#include <string>
#include <type_traits>
#include <vector>

namespace fs = std::filesystem;
using ws::check::AudioMeasure;
using ws::check::measureFile;
using ws::check::NoLoudness;
using ws::check::seamClicks;
using ws::test::writeWav;

namespace {

constexpr double Code16 = 1.0 / 32768; // one step of a 16-bit file on the measuring scale

// Writes `samples` through libsndfile in any `format` (sf_write_float for float files, so
// values beyond full scale survive; integers left-justified for the others).
template <typename Sample>
void writeWith(const fs::path& file, int format, int channels, int rate,
               const std::vector<Sample>& samples) {
    SF_INFO info{};
    info.channels = channels;
    info.samplerate = rate;
    info.format = format;
    SNDFILE* sf = sf_open(file.c_str(), SFM_WRITE, &info);
    ASSERT_NE(sf, nullptr) << sf_strerror(nullptr);
    const auto count = static_cast<sf_count_t>(samples.size());
    if constexpr (std::is_same_v<Sample, float>)
        EXPECT_EQ(sf_write_float(sf, samples.data(), count), count);
    else
        EXPECT_EQ(sf_write_int(sf, samples.data(), count), count);
    sf_close(sf);
}

std::vector<int16_t> stereo(const std::vector<int16_t>& left, const std::vector<int16_t>& right) {
    std::vector<int16_t> out;
    for (std::size_t i = 0; i < left.size(); ++i) {
        out.push_back(left[i]);
        out.push_back(right[i]);
    }
    return out;
}

std::vector<int16_t> zeros(std::size_t n) {
    return std::vector<int16_t>(n, 0);
}

std::vector<int16_t> joined(std::vector<int16_t> a, const std::vector<int16_t>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// A rising staircase of `rise` codes per sample that falls back to 0 after `steps` rises:
// every (steps + 1)-th step is a jump of steps x rise codes, all others are `rise` codes.
std::vector<int16_t> sawtooth(std::size_t samples, int steps, int rise) {
    std::vector<int16_t> s(samples);
    for (std::size_t i = 0; i < samples; ++i)
        s[i] = static_cast<int16_t>(int(i % std::size_t(steps + 1)) * rise);
    return s;
}

// How far samples s[1] and s[2] leave the line through s[-1] and s[0] (root mean square).
double departure(double before2, double before1, double after0, double after1) {
    const double slope = before1 - before2;
    const double e0 = after0 - (before1 + slope), e1 = after1 - (before1 + 2 * slope);
    return std::sqrt((e0 * e0 + e1 * e1) / 2);
}

std::string decoderMessage(const fs::path& file) {
    try {
        ws::AudioFileReader reader(file.string());
    } catch (const ws::AudioReadError& e) {
        return e.what();
    }
    return "";
}

} // namespace

TEST(AudioMeasure, SeamStepTellsAWholeLoopFromACutOne) {
    ws::test::TempDir dir;
    const int rate = 44100;
    const double hz = 441, amplitude = 0.5; // 100 samples per cycle
    // 441 whole cycles: the step from the last sample back to the first is one more step
    // of the sine. The cut file ends a quarter cycle early, near the crest, so its seam jumps
    // from about +0.5 to 0.
    writeWav(dir / "whole.wav", 1, rate, 16, ws::test::sine(hz, rate, 44100, amplitude));
    const auto cut = ws::test::sine(hz, rate, 44100 - 75, amplitude);
    writeWav(dir / "cut.wav", 1, rate, 16, cut);

    // A sine's largest step is 2 A sin(pi f / rate); its 99th percentile is within 0.02% of it.
    const double largestStep =
        2 * amplitude * 32767 / 32768 * std::sin(std::numbers::pi * hz / rate);
    const AudioMeasure whole = measureFile((dir / "whole.wav").string());
    ASSERT_TRUE(whole.readable) << whole.error;
    EXPECT_NEAR(whole.typicalStep, largestStep, 0.01 * largestStep);
    EXPECT_LE(whole.seamStep, 1.1 * whole.typicalStep);
    EXPECT_FALSE(seamClicks(whole));

    const AudioMeasure m = measureFile((dir / "cut.wav").string());
    ASSERT_TRUE(m.readable) << m.error;
    EXPECT_NEAR(m.typicalStep, largestStep, 0.01 * largestStep);
    EXPECT_NEAR(m.seamStep, cut.back() * Code16, 1e-9);
    EXPECT_GT(m.seamStep, 10 * m.typicalStep);
    const std::size_t e = cut.size() - 1;
    EXPECT_NEAR(m.seamJump, departure(cut[e - 1], cut[e], cut[0], cut[1]) * Code16, 1e-12);
    EXPECT_TRUE(seamClicks(m));
    AudioMeasure jump;
    jump.seamJump = 0.12;
    jump.nearJump = 0.01;
    EXPECT_NE(ws::check::seamDetail(jump).find("jumps 0.120 of full scale"), std::string::npos);
    EXPECT_NE(ws::check::seamDetail(jump).find("12.0 times"), std::string::npos);

    // Cut at a zero crossing, but the wave falls into it and rises out of it: a step no
    // larger than the sine's own, yet the wave turns back. In one channel of two, it is that
    // channel's seam that counts.
    const auto turned = ws::test::sine(hz, rate, 44100 - 50, amplitude);
    writeWav(dir / "turned.wav", 1, rate, 16, turned);
    const AudioMeasure t = measureFile((dir / "turned.wav").string());
    EXPECT_LE(t.seamStep, 1.1 * t.typicalStep);
    EXPECT_TRUE(seamClicks(t));
    const auto left = ws::test::sine(hz, rate, turned.size(), amplitude / 2);
    writeWav(dir / "turnedRight.wav", 2, rate, 16, stereo(left, turned));
    const AudioMeasure tr = measureFile((dir / "turnedRight.wav").string());
    EXPECT_TRUE(seamClicks(tr));
    EXPECT_EQ(tr.seamJump, t.seamJump);
    EXPECT_EQ(tr.nearJump, t.nearJump);

    // The picture: the last 20 ms, then the first 20 ms, meeting at seamAt.
    const std::size_t n = rate * ws::check::SeamPictureMs / 1000;
    ASSERT_EQ(m.seamPicture.size(), 2 * n);
    ASSERT_EQ(m.seamAt, n);
    for (std::size_t i = 0; i < n; ++i) {
        ASSERT_FLOAT_EQ(m.seamPicture[i], cut[cut.size() - n + i] * Code16) << i;
        ASSERT_FLOAT_EQ(m.seamPicture[n + i], cut[i] * Code16) << i;
    }

    // Files of other lengths, shorter than the picture or ending just past a multiple of
    // common read sizes: the picture still holds exactly the last and the first samples.
    for (std::size_t frames : {1, 500, 882, 883, 4096 + 100, 8192 + 881, 3 * 8192 + 5}) {
        SCOPED_TRACE(frames);
        const auto samples = ws::test::noise(frames, unsigned(frames));
        writeWav(dir / "length.wav", 1, rate, 16, samples);
        const AudioMeasure l = measureFile((dir / "length.wav").string());
        const std::size_t k = std::min(frames, n);
        std::vector<float> expected;
        for (std::size_t i = frames - k; i < frames; ++i)
            expected.push_back(float(samples[i] * Code16));
        for (std::size_t i = 0; i < k; ++i)
            expected.push_back(float(samples[i] * Code16));
        EXPECT_EQ(l.seamPicture, expected);
        EXPECT_EQ(l.seamAt, k);
        EXPECT_EQ(l.seamStep, std::abs(samples.back() - samples.front()) * Code16);
    }

    // Loops cut at random from a real motor recording mostly click; the same loops with their
    // ends cross-faded (10 ms) join as the recording itself does and never do.
    const fs::path corpus = ws::test::corpusDir();
    if (corpus.empty())
        GTEST_SKIP() << "no corpus at ../shared/corpus beside the project";
    const auto motor = ws::test::waveLeft(corpus / "railway-mtr-m" / "40_di.wav");
    ASSERT_GT(motor.size(), 3u * rate);
    std::mt19937 pick(7);
    int clicks = 0;
    for (int i = 0; i < 20; ++i) {
        const std::size_t length = rate / 2 + pick() % rate, a = pick() % (motor.size() - length);
        const std::size_t fade = rate / 100;
        std::vector<int16_t> faded(motor.begin() + long(a),
                                   motor.begin() + long(a + length - fade));
        for (std::size_t j = 0; j < fade; ++j) {
            const double w = (double(j) + 0.5) / double(fade) * std::numbers::pi / 2;
            faded[j] = int16_t(std::lround(std::cos(w) * motor[a + length - fade + j] +
                                           std::sin(w) * motor[a + j]));
        }
        writeWav(dir / "random.wav", 1, rate, 16,
                 {motor.begin() + long(a), motor.begin() + long(a + length)});
        writeWav(dir / "faded.wav", 1, rate, 16, faded);
        clicks += seamClicks(measureFile((dir / "random.wav").string()));
        EXPECT_FALSE(seamClicks(measureFile((dir / "faded.wav").string()))) << a << " " << length;
    }
    EXPECT_GE(clicks, 15);
}

TEST(AudioMeasure, TypicalStepIsTheNinetyNinthPercentileWithinEachChannel) {
    ws::test::TempDir dir;
    // 20,000 steps. With a jump every 50th step (2%) the 99th percentile is the jump; with
    // one every 200th (0.5%) it is the plain rise. The jumps here (539 and 299 codes) are
    // values that a histogram of the upper bits alone would round off.
    writeWav(dir / "often.wav", 1, 44100, 16, sawtooth(20001, 49, 11));
    writeWav(dir / "seldom.wav", 1, 44100, 16, sawtooth(20001, 199, 11));
    // Stereo: the left channel jumps every 24th step (4.2%, so 2.1% of all steps), the
    // right holds still. Steps taken across the interleaved samples would all be large.
    const std::size_t frames = 24 * 834 + 1;
    writeWav(dir / "stereo.wav", 2, 44100, 16,
             stereo(sawtooth(frames, 23, 13), std::vector<int16_t>(frames, 16384)));

    const AudioMeasure often = measureFile((dir / "often.wav").string());
    ASSERT_TRUE(often.readable) << often.error;
    EXPECT_DOUBLE_EQ(often.typicalStep, 539 * Code16);
    const AudioMeasure seldom = measureFile((dir / "seldom.wav").string());
    EXPECT_DOUBLE_EQ(seldom.typicalStep, 11 * Code16);
    const AudioMeasure both = measureFile((dir / "stereo.wav").string());
    EXPECT_DOUBLE_EQ(both.typicalStep, 299 * Code16);
    // The last frame is the first of a new tooth (0) on the left, 0.5 on the right, as at
    // the start: no step at the seam.
    EXPECT_EQ(both.seamStep, 0);
}

// 16-bit files are read as integers and float files as float; the same signal must measure
// the same either way, down to the exact typical step that float files find in two passes.
TEST(AudioMeasure, SixteenBitAndFloatFilesOfTheSameSignalMeasureAlike) {
    ws::test::TempDir dir;
    const int rate = 44100;
    // Left: silence, a slow sine (steps of 82 codes at most) with an offset, a run at the
    // negative rail, silence. Right: a sawtooth jumping 299 codes in 2.1% of all steps, a
    // value inside a coarse bucket.
    auto left = joined(zeros(2000), ws::test::sine(44.1, rate, 30000, 0.4));
    for (std::size_t i = 2000; i < left.size(); ++i)
        left[i] = static_cast<int16_t>(left[i] + 300);
    left = joined(joined(left, std::vector<int16_t>(5, -32768)), zeros(1000));
    const auto right = sawtooth(left.size(), 23, 13);
    const auto samples = stereo(left, right);
    writeWav(dir / "int.wav", 2, rate, 16, samples);
    std::vector<float> asFloat;
    for (int16_t v : samples)
        asFloat.push_back(float(v * Code16));
    writeWith<float>(dir / "float.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 2, rate, asFloat);

    const AudioMeasure a = measureFile((dir / "int.wav").string());
    const AudioMeasure b = measureFile((dir / "float.wav").string());
    ASSERT_TRUE(a.readable) << a.error;
    ASSERT_TRUE(b.readable) << b.error;
    EXPECT_EQ(a.encoding, "PCM 16-bit");
    EXPECT_EQ(b.encoding, "float 32-bit");
    EXPECT_EQ(a.frames, b.frames);
    EXPECT_EQ(a.peak, 1.0);
    EXPECT_EQ(a.peak, b.peak);
    EXPECT_NEAR(a.dcOffset, b.dcOffset, 1e-12);
    double leftSum = 0;
    for (int16_t v : left)
        leftSum += v;
    EXPECT_NEAR(a.dcOffset, leftSum / double(left.size()) * Code16, 1e-12);
    EXPECT_EQ(a.clippedRuns, 1);
    EXPECT_EQ(a.clippedRuns, b.clippedRuns);
    EXPECT_EQ(a.leadingSilenceMs, b.leadingSilenceMs);
    EXPECT_EQ(a.trailingSilenceMs, b.trailingSilenceMs);
    EXPECT_EQ(a.seamStep, b.seamStep);
    EXPECT_DOUBLE_EQ(a.typicalStep, 299 * Code16);
    EXPECT_DOUBLE_EQ(b.typicalStep, 299 * Code16);
    EXPECT_NEAR(a.lufs, b.lufs, 1e-9);
    EXPECT_NEAR(a.headLufs, b.headLufs, 1e-9);
    EXPECT_NEAR(a.tailLufs, b.tailLufs, 1e-9);
    EXPECT_EQ(a.seamPicture, b.seamPicture);
    EXPECT_EQ(a.seamAt, b.seamAt);
    EXPECT_EQ(a.seamJump, b.seamJump);
    EXPECT_EQ(a.nearJump, b.nearJump);

    // Wider integers are read as float too, and measure on the same full scale.
    std::vector<int> wide;
    for (int16_t v : samples)
        wide.push_back(int(v) * 65536);
    for (int format : {SF_FORMAT_PCM_24, SF_FORMAT_PCM_32}) {
        writeWith<int>(dir / "wide.wav", SF_FORMAT_WAV | format, 2, rate, wide);
        const AudioMeasure w = measureFile((dir / "wide.wav").string());
        EXPECT_NEAR(w.dcOffset, a.dcOffset, 1e-12) << format;
        EXPECT_EQ(w.peak, a.peak);
        EXPECT_DOUBLE_EQ(w.typicalStep, a.typicalStep);
        EXPECT_NEAR(w.lufs, a.lufs, 1e-9);
        EXPECT_EQ(w.seamJump, a.seamJump);
    }
}

TEST(AudioMeasure, FindsSilenceOffsetAndClippedRuns) {
    ws::test::TempDir dir;
    const int rate = 44100;
    const std::size_t ms50 = rate / 20;
    // 50 ms of silence, one second of sine, 50 ms of silence.
    writeWav(dir / "padded.wav", 1, rate, 16,
             joined(joined(zeros(ms50), ws::test::sine(441, rate, 44100, 0.5)), zeros(ms50)));
    const AudioMeasure padded = measureFile((dir / "padded.wav").string());
    ASSERT_TRUE(padded.readable) << padded.error;
    EXPECT_NEAR(padded.leadingSilenceMs, 50, 1);
    EXPECT_NEAR(padded.trailingSilenceMs, 50, 1);
    EXPECT_NEAR(padded.seconds, 1.1, 1e-9);
    EXPECT_EQ(padded.clippedRuns, 0);
    EXPECT_EQ(padded.silenceLevel, ws::check::SilenceLevel);
    EXPECT_FALSE(padded.silent);

    // 8-bit: dither moving by up to two codes of 1/128 is silence; three codes are not.
    const auto dither = [](std::size_t n, int codes) {
        std::vector<int16_t> d(n);
        for (std::size_t i = 0; i < n; ++i)
            d[i] = static_cast<int16_t>(int(i * 7 % std::size_t(2 * codes + 1)) - codes) * 256;
        return d;
    };
    writeWav(
        dir / "dithered8.wav", 1, rate, 8,
        joined(joined(dither(ms50, 2), ws::test::sine(441, rate, 44100, 0.5)), dither(ms50, 2)));
    const AudioMeasure dithered = measureFile((dir / "dithered8.wav").string());
    EXPECT_EQ(dithered.silenceLevel, 2.0 / 128);
    EXPECT_NEAR(dithered.leadingSilenceMs, 50, 1);
    EXPECT_NEAR(dithered.trailingSilenceMs, 50, 1);
    writeWav(dir / "hiss8.wav", 1, rate, 8, dither(rate, 2));
    EXPECT_TRUE(measureFile((dir / "hiss8.wav").string()).silent);
    writeWav(dir / "hiss8.wav", 1, rate, 8, dither(rate, 3));
    const AudioMeasure hiss = measureFile((dir / "hiss8.wav").string());
    EXPECT_FALSE(hiss.silent);
    EXPECT_EQ(hiss.leadingSilenceMs, 0);

    writeWav(dir / "silent.wav", 1, rate, 16, zeros(rate));
    const AudioMeasure silent = measureFile((dir / "silent.wav").string());
    EXPECT_EQ(silent.leadingSilenceMs, 1000);
    EXPECT_EQ(silent.trailingSilenceMs, 1000);
    EXPECT_EQ(silent.peak, 0);
    EXPECT_TRUE(silent.silent);
    EXPECT_EQ(silent.lufs, NoLoudness);
    EXPECT_EQ(silent.headLufs, NoLoudness);
    EXPECT_EQ(silent.tailLufs, NoLoudness);

    // DC offset: +0.02 on the left under a sine of whole cycles, -0.05 alone on the right.
    // The figure is the channel with the larger offset, with its sign.
    std::vector<int16_t> left = ws::test::sine(441, rate, 44100, 0.3);
    for (auto& s : left)
        s = static_cast<int16_t>(s + 655);          // 0.02 x 32768
    const std::vector<int16_t> right(44100, -1638); // -0.05 x 32768
    writeWav(dir / "offset.wav", 2, rate, 16, stereo(left, right));
    const AudioMeasure offset = measureFile((dir / "offset.wav").string());
    ASSERT_TRUE(offset.readable) << offset.error;
    EXPECT_NEAR(offset.dcOffset, -0.05, 1e-4);
    ASSERT_EQ(offset.seamPicture.size(), 2u * 882);
    EXPECT_FLOAT_EQ(offset.seamPicture[offset.seamAt + 10], (left[10] + right[10]) * Code16 / 2);

    // 16-bit: three at +32767 and four at -32768 count; two at the rail, three just below
    // it, and samples alternating between the rails do not.
    const std::vector<int16_t> clips16 = {0,      32767,  32767, 32767, 0,      -32768, -32768,
                                          -32768, -32768, 0,     32767, 32767,  0,      32766,
                                          32766,  32766,  0,     32767, -32768, 32767,  0};
    writeWav(dir / "clips16.wav", 1, rate, 16, clips16);
    const AudioMeasure c16 = measureFile((dir / "clips16.wav").string());
    EXPECT_EQ(c16.clippedRuns, 2);
    EXPECT_EQ(c16.peak, 1.0);

    // Runs belong to one channel: the left's three rail samples between the right's zeros
    // are a run; one frame with both channels at the rail is not.
    writeWav(dir / "clipsStereo.wav", 2, rate, 16,
             {32767, 0, 32767, 0, 32767, 0, 0, 0, 32767, 32767, 0, 0});
    EXPECT_EQ(measureFile((dir / "clipsStereo.wav").string()).clippedRuns, 1);

    // 8-bit unsigned: 255 (given as 32767 or 32512) and 0 (-32768) are the rails; 253 is not.
    writeWav(dir / "clips8.wav", 1, rate, 8,
             {0, 32767, 32767, 32767, 0, 32512, 32512, 32512, 0, -32768, -32768, -32768, 0, 32000,
              32000, 32000, 0});
    const AudioMeasure c8 = measureFile((dir / "clips8.wav").string());
    EXPECT_EQ(c8.bits, 8);
    EXPECT_EQ(c8.clippedRuns, 3);

    // Float: 1.0 and beyond count; 0.99998, full scale for a 16-bit file, does not.
    writeWith<float>(dir / "clipsFloat.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 1, rate,
                     {0, 0.99998f, 0.99998f, 0.99998f, 0, 1.0f, 1.0f, 1.0f, 0, 1.5f, 1.5f, 1.5f, 0,
                      -1.0f, -1.0f, -1.0f, 0});
    const AudioMeasure cf = measureFile((dir / "clipsFloat.wav").string());
    EXPECT_EQ(cf.encoding, "float 32-bit");
    EXPECT_EQ(cf.clippedRuns, 3);
    EXPECT_FLOAT_EQ(cf.peak, 1.5f);
}

// Expected values from the definition: L = -0.691 + 10 log10(sum over channels of the mean
// square of the K-weighted signal), a mono file counted in both speakers that play it. The
// K-weighting gains +0.691 dB at 1 kHz, so a 1 kHz sine of peak A gives 10 log10(A^2 / 2)
// per channel: at -20 dBFS (A = 0.1) -20.0 LUFS with the sine in both channels of a stereo
// file, and the same as a mono file; at -40 dBFS, -40.0 LUFS.
TEST(AudioMeasure, LoudnessFollowsTheEbuDefinition) {
    ws::test::TempDir dir;
    const int rate = 48000;
    const auto tone = ws::test::sine(1000, rate, 3 * rate, 0.1);
    writeWav(dir / "mono.wav", 1, rate, 16, tone);
    writeWav(dir / "stereo.wav", 2, rate, 16, stereo(tone, tone));
    writeWav(dir / "rising.wav", 1, rate, 16,
             joined(ws::test::sine(1000, rate, rate, 0.01), ws::test::sine(1000, rate, rate, 0.1)));
    writeWav(dir / "short.wav", 1, rate, 16, ws::test::sine(1000, rate, rate / 5, 0.1));
    writeWav(dir / "fading.wav", 1, rate, 16, joined(tone, zeros(rate)));

    const AudioMeasure stereoTone = measureFile((dir / "stereo.wav").string());
    ASSERT_TRUE(stereoTone.readable) << stereoTone.error;
    EXPECT_NEAR(stereoTone.lufs, -20.0, 0.5);
    EXPECT_NEAR(stereoTone.headLufs, -20.0, 0.5);
    EXPECT_NEAR(stereoTone.tailLufs, -20.0, 0.5);

    const AudioMeasure monoTone = measureFile((dir / "mono.wav").string());
    EXPECT_NEAR(monoTone.lufs, stereoTone.lufs, 0.01);
    EXPECT_NEAR(monoTone.headLufs, stereoTone.headLufs, 0.01);
    EXPECT_NEAR(monoTone.tailLufs, stereoTone.tailLufs, 0.01);

    // The head and the tail are the first and the last 400 ms, not the same window twice.
    const AudioMeasure rising = measureFile((dir / "rising.wav").string());
    EXPECT_NEAR(rising.headLufs, -40.0, 0.5);
    EXPECT_NEAR(rising.tailLufs, -20.0, 0.5);

    // Digital silence after the tone: the filter's decaying ring is no loudness.
    const AudioMeasure fading = measureFile((dir / "fading.wav").string());
    EXPECT_NEAR(fading.headLufs, -20.0, 0.5);
    EXPECT_EQ(fading.tailLufs, NoLoudness);

    // 200 ms: no 400 ms block for an integrated figure; head and tail are the whole file.
    const AudioMeasure shortTone = measureFile((dir / "short.wav").string());
    EXPECT_EQ(shortTone.lufs, NoLoudness);
    EXPECT_NEAR(shortTone.headLufs, -20.0, 0.5);
    EXPECT_NEAR(shortTone.tailLufs, -20.0, 0.5);
}

TEST(AudioMeasure, ReportsTheFormatAndSurvivesDamagedFiles) {
    ws::test::TempDir dir;
    writeWav(dir / "pcm16.wav", 1, 22050, 16, ws::test::noise(22050, 1, 8000));
    const AudioMeasure pcm16 = measureFile((dir / "pcm16.wav").string());
    ASSERT_TRUE(pcm16.readable) << pcm16.error;
    EXPECT_EQ(pcm16.encoding, "PCM 16-bit");
    EXPECT_EQ(pcm16.channels, 1);
    EXPECT_EQ(pcm16.rate, 22050);
    EXPECT_EQ(pcm16.bits, 16);
    EXPECT_TRUE(pcm16.playable);
    EXPECT_EQ(pcm16.frames, 22050);
    EXPECT_DOUBLE_EQ(pcm16.seconds, 1.0);

    writeWav(dir / "pcm8.wav", 2, 11025, 8, ws::test::noise(2 * 11025, 2, 8000));
    const AudioMeasure pcm8 = measureFile((dir / "pcm8.wav").string());
    EXPECT_EQ(pcm8.encoding, "PCM 8-bit unsigned");
    EXPECT_EQ(pcm8.bits, 8);
    EXPECT_TRUE(pcm8.playable);

    // 24 bits: the decoder keeps the width, so no buffer takes it; its own full scale counts
    // as clipped, 16-bit full scale (32767 << 8) does not.
    const int rail24 = 0x7FFFFF << 8, rail16 = 32767 << 16;
    writeWith<int>(dir / "pcm24.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_24, 1, 48000,
                   {0, rail24, rail24, rail24, 0, rail16, rail16, rail16, 0});
    const AudioMeasure pcm24 = measureFile((dir / "pcm24.wav").string());
    ASSERT_TRUE(pcm24.readable) << pcm24.error;
    EXPECT_EQ(pcm24.encoding, "PCM 24-bit");
    EXPECT_EQ(pcm24.bits, 24);
    EXPECT_FALSE(pcm24.playable);
    EXPECT_EQ(pcm24.clippedRuns, 1);

    std::vector<float> ima(8000);
    for (std::size_t i = 0; i < ima.size(); ++i)
        ima[i] = 0.5f * float(std::sin(2 * std::numbers::pi * 440 * double(i) / 8000));
    writeWith<float>(dir / "ima.wav", SF_FORMAT_WAV | SF_FORMAT_IMA_ADPCM, 1, 8000, ima);
    const AudioMeasure adpcm = measureFile((dir / "ima.wav").string());
    ASSERT_TRUE(adpcm.readable) << adpcm.error;
    EXPECT_EQ(adpcm.encoding, "IMA ADPCM");
    EXPECT_EQ(adpcm.bits, 16);
    EXPECT_NEAR(adpcm.peak, 0.5, 0.05);

    // Not audio, and no file at all: the decoder's own message, nothing measured.
    std::ofstream(dir / "notes.wav") << "This is a text file, not a sound.\n";
    const AudioMeasure text = measureFile((dir / "notes.wav").string());
    EXPECT_FALSE(text.readable);
    EXPECT_FALSE(text.error.empty());
    EXPECT_EQ(text.error, decoderMessage(dir / "notes.wav"));
    EXPECT_TRUE(text.encoding.empty());
    EXPECT_EQ(text.frames, 0);
    const AudioMeasure missing = measureFile((dir / "missing.wav").string());
    EXPECT_FALSE(missing.readable);
    EXPECT_EQ(missing.error, decoderMessage(dir / "missing.wav"));

    writeWav(dir / "empty.wav", 1, 44100, 16, {});
    const AudioMeasure empty = measureFile((dir / "empty.wav").string());
    ASSERT_TRUE(empty.readable) << empty.error;
    EXPECT_EQ(empty.frames, 0);
    EXPECT_EQ(empty.seconds, 0);
    EXPECT_EQ(empty.peak, 0);
    EXPECT_EQ(empty.leadingSilenceMs, 0);
    EXPECT_TRUE(empty.silent);
    EXPECT_TRUE(empty.seamPicture.empty());
    EXPECT_EQ(empty.seamAt, 0u);
    EXPECT_EQ(empty.lufs, NoLoudness);
    EXPECT_EQ(empty.headLufs, NoLoudness);

    writeWav(dir / "one.wav", 2, 44100, 16, {8192, -8192});
    const AudioMeasure one = measureFile((dir / "one.wav").string());
    EXPECT_EQ(one.frames, 1);
    EXPECT_EQ(one.seamStep, 0);
    EXPECT_EQ(one.typicalStep, 0);
    EXPECT_EQ(one.peak, 0.25);
    EXPECT_EQ(one.seamPicture, (std::vector<float>{0, 0}));
    EXPECT_EQ(one.seamAt, 1u);

    // A data chunk claiming 2 GB, then the same file cut short: only what is there counts.
    writeWav(dir / "liar.wav", 1, 44100, 16, ws::test::noise(44100, 3, 8000));
    std::string bytes;
    {
        std::ifstream in(dir / "liar.wav", std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), {});
    }
    const std::size_t data = bytes.find("data");
    ASSERT_NE(data, std::string::npos);
    bytes.replace(data + 4, 4, std::string("\xF0\xFF\xFF\x7F", 4));
    std::ofstream(dir / "liar.wav", std::ios::binary | std::ios::trunc) << bytes;
    const AudioMeasure liar = measureFile((dir / "liar.wav").string());
    ASSERT_TRUE(liar.readable) << liar.error;
    EXPECT_EQ(liar.frames, 44100);
    fs::resize_file(dir / "liar.wav", data + 8 + 2 * 1000);
    EXPECT_EQ(measureFile((dir / "liar.wav").string()).frames, 1000);
}

// Real files from elsewhere, including damaged ones: every file is measured without a crash,
// readable exactly when the decoder opens it, and the figures keep their basic relations.
TEST(AudioMeasure, MeasuresEveryCorpusFileSanely) {
    const fs::path corpus = ws::test::corpusDir();
    if (corpus.empty())
        GTEST_SKIP() << "no corpus at ../shared/corpus beside the project";
    int readable = 0, files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(corpus)) {
        if (!entry.is_regular_file())
            continue;
        ++files;
        const std::string path = entry.path().string();
        SCOPED_TRACE(path);
        const AudioMeasure m = measureFile(path);
        const std::string decoderError = decoderMessage(entry.path());
        EXPECT_EQ(m.readable, decoderError.empty());
        if (!m.readable) {
            EXPECT_EQ(m.error, decoderError);
            continue;
        }
        ++readable;
        EXPECT_FALSE(m.encoding.empty());
        EXPECT_GE(m.channels, 1);
        EXPECT_GT(m.rate, 0);
        EXPECT_GE(m.frames, 0);
        EXPECT_NEAR(m.seconds, double(m.frames) / m.rate, 1e-9);
        EXPECT_GE(m.peak, 0);
        EXPECT_LE(std::abs(m.dcOffset), m.peak);
        EXPECT_EQ(m.silent, !(m.peak > m.silenceLevel));
        EXPECT_GE(m.seamJump, 0);
        EXPECT_GE(m.nearJump, 0);
        const double ms = m.seconds * 1000 + 1e-6;
        EXPECT_LE(m.leadingSilenceMs, ms);
        EXPECT_LE(m.trailingSilenceMs, ms);
        if (m.leadingSilenceMs < ms - 1e-3) {
            EXPECT_LE(m.leadingSilenceMs + m.trailingSilenceMs, ms);
        }
        if (m.encoding.starts_with("PCM")) {
            // Integer samples cannot pass full scale, nor step further than across it.
            EXPECT_LE(m.peak, 1.0);
            EXPECT_LE(m.seamStep, 2 * m.peak);
            EXPECT_LE(m.typicalStep, 2 * m.peak);
        }
        const std::size_t n =
            std::min<std::size_t>(std::max(1, m.rate * ws::check::SeamPictureMs / 1000), m.frames);
        EXPECT_EQ(m.seamPicture.size(), 2 * n);
        EXPECT_EQ(m.seamAt, n);
        for (double lufs : {m.lufs, m.headLufs, m.tailLufs}) {
            EXPECT_TRUE(lufs == NoLoudness || lufs >= -70) << lufs;
            if (m.encoding.starts_with("PCM")) {
                EXPECT_LT(lufs, 10);
            }
        }
    }
    EXPECT_GT(files, 0);
    EXPECT_GT(readable, 0);
}
