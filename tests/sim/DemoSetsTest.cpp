// The generated demo sound sets: the tone table is sound (distinct pitches, the formats
// authors use, every file the program looks for), and every file on disk has the listed
// format, length and fundamental, loops seamlessly or fades, as its kind requires.
#include "DemoTones.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <set>
#include <sndfile.h>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using ws::demo::DemoFile;
using ws::demo::demoFiles;

namespace {

constexpr double Pi = 3.14159265358979323846;

struct Audio {
    int channels = 0;
    int rate = 0;
    int subFormat = 0;
    std::vector<double> mono; // channels averaged, -1..1
};

fs::path pathOf(const DemoFile& f) {
    return ws::test::demoDir() / std::string(f.set) / std::string(f.path);
}

Audio load(const fs::path& file) {
    SF_INFO info{};
    SNDFILE* sf = sf_open(file.c_str(), SFM_READ, &info);
    if (!sf) {
        ADD_FAILURE() << file << ": " << sf_strerror(nullptr);
        return {};
    }
    EXPECT_EQ(info.format & SF_FORMAT_TYPEMASK, SF_FORMAT_WAV) << file;
    std::vector<double> interleaved(size_t(info.frames) * size_t(info.channels));
    const sf_count_t got = sf_readf_double(sf, interleaved.data(), info.frames);
    sf_close(sf);
    Audio a{info.channels, info.samplerate, info.format & SF_FORMAT_SUBMASK, {}};
    a.mono.resize(size_t(got));
    for (size_t i = 0; i < a.mono.size(); ++i) {
        double sum = 0;
        for (int c = 0; c < info.channels; ++c)
            sum += interleaved[i * size_t(info.channels) + size_t(c)];
        a.mono[i] = sum / info.channels;
    }
    return a;
}

// In-place radix-2 FFT; the size is a power of two.
void fft(std::vector<std::complex<double>>& x) {
    const size_t n = x.size();
    for (size_t i = 1, j = 0; i < n; ++i) {
        size_t bit = n >> 1;
        for (; j & bit; bit >>= 1)
            j ^= bit;
        j ^= bit;
        if (i < j)
            std::swap(x[i], x[j]);
    }
    for (size_t len = 2; len <= n; len <<= 1) {
        const std::complex<double> step = std::polar(1.0, -2.0 * Pi / double(len));
        for (size_t i = 0; i < n; i += len) {
            std::complex<double> w = 1.0;
            for (size_t k = 0; k < len / 2; ++k, w *= step) {
                const auto a = x[i + k], b = x[i + k + len / 2] * w;
                x[i + k] = a + b;
                x[i + k + len / 2] = a - b;
            }
        }
    }
}

// The frequency of the strongest peak between 20 Hz and just below half the rate
// (Hann window, zero-padded, refined between bins by a parabola).
double strongestPeak(const std::vector<double>& signal, int rate) {
    const size_t len = std::min<size_t>(signal.size(), size_t(1) << 17);
    size_t n = 1;
    while (n < 2 * len)
        n <<= 1;
    double mean = 0;
    for (size_t i = 0; i < len; ++i)
        mean += signal[i];
    mean /= double(len);
    std::vector<std::complex<double>> x(n);
    for (size_t i = 0; i < len; ++i)
        x[i] = (signal[i] - mean) * (0.5 - 0.5 * std::cos(2.0 * Pi * double(i) / double(len)));
    fft(x);
    const double binHz = double(rate) / double(n);
    const size_t lo = size_t(20.0 / binHz), hi = size_t(0.49 * rate / binHz);
    size_t best = lo;
    for (size_t k = lo; k <= hi; ++k)
        if (std::abs(x[k]) > std::abs(x[best]))
            best = k;
    const double a = std::log(std::abs(x[best - 1]) + 1e-12), b = std::log(std::abs(x[best])),
                 c = std::log(std::abs(x[best + 1]) + 1e-12);
    const double offset = (a - c) / (2.0 * (a - 2.0 * b + c));
    return (double(best) + offset) * binHz;
}

// Magnitude of the signal's DFT at whole bin k, without a window.
double binMagnitude(const std::vector<double>& x, double k) {
    std::complex<double> sum = 0;
    for (size_t i = 0; i < x.size(); ++i)
        sum += x[i] * std::polar(1.0, -2.0 * Pi * k * double(i) / double(x.size()));
    return std::abs(sum);
}

double rms(const std::vector<double>& x, size_t from, size_t count) {
    double sum = 0;
    for (size_t i = from; i < from + count; ++i)
        sum += x[i] * x[i];
    return std::sqrt(sum / double(count));
}

bool isWhole(double x) {
    return std::abs(x - std::round(x)) < 1e-9;
}

} // namespace

TEST(DemoSets, TableHasDistinctPitchesInTheAuthorsFormats) {
    const auto& files = demoFiles();
    ASSERT_FALSE(files.empty());
    std::vector<double> pitches;
    for (const DemoFile& f : files) {
        SCOPED_TRACE(std::string(f.set) + "/" + std::string(f.path));
        EXPECT_GE(f.hz, 80.0);
        EXPECT_LE(f.hz, 2000.0);
        const bool authorsFormat = (f.channels == 2 && f.rate == 44100 && f.bits == 16) ||
                                   (f.channels == 1 && f.rate == 22050 && f.bits == 16) ||
                                   (f.channels == 1 && f.rate == 11025 && f.bits == 8);
        EXPECT_TRUE(authorsFormat);
        EXPECT_GE(f.seconds, 0.3);
        EXPECT_LE(f.seconds, 3.0);
        if (f.loop()) { // whole periods of the tone and of its rhythm
            EXPECT_TRUE(isWhole(f.hz * f.seconds));
            EXPECT_TRUE(isWhole(f.pulseHz * f.seconds));
        }
        EXPECT_EQ(ws::demo::findDemoFile(f.set, f.path), &f);
        pitches.push_back(f.hz);
    }
    std::sort(pitches.begin(), pitches.end());
    for (size_t i = 1; i < pitches.size(); ++i)
        EXPECT_GE(pitches[i], pitches[i - 1] * 1.03) << pitches[i - 1] << " and " << pitches[i];

    for (std::string_view set : ws::demo::demoSets()) {
        std::set<int> formats;
        size_t count = 0;
        for (const DemoFile& f : files)
            if (f.set == set) {
                formats.insert(f.rate);
                ++count;
            }
        EXPECT_GT(count, 0u) << set;
        if (count > 1) {
            EXPECT_GE(formats.size(), 2u) << set;
        }
    }
    EXPECT_EQ(ws::demo::findDemoFile("Diesel", "idle 9.wav"), nullptr);
}

TEST(DemoSets, EverySetHoldsEveryFileItsKindUses) {
    std::vector<std::pair<std::string, std::string>> expected;
    const auto add = [&](const std::string& set, const std::string& path) {
        expected.emplace_back(set, path);
    };
    add("Diesel", "start.wav");
    add("Diesel", "stop.wav");
    for (int n = 1; n <= 8; ++n)
        add("Diesel", "idle " + std::to_string(n) + ".wav");
    for (int n = 1; n <= 7; ++n) {
        add("Diesel", "up " + std::to_string(n) + " - " + std::to_string(n + 1) + ".wav");
        add("Diesel", "down " + std::to_string(n + 1) + " - " + std::to_string(n) + ".wav");
    }
    add("Electric", "engine_loop.wav");
    for (const std::string set : {"Steam1", "Steam2"}) {
        for (int n = 1; n <= 4; ++n)
            add(set, "piston_stroke" + std::to_string(n) + ".wav");
        add(set, "smoke_stack_hiss.wav");
        for (const char* speed : {"fast", "med", "slow"})
            add(set, std::string("loco_stationary_") + speed + ".wav");
    }
    add("Steam1", "steam_loop.wav");
    add("Horn1", "horn.wav");
    add("Horn2", "horn_start.wav");
    add("Horn2", "horn_loop.wav");
    add("Horn3", "horn/start.wav");
    add("Horn3", "horn/idle 1.wav");
    add("Horn3", "horn/stop.wav");
    add("HornBell", "horn_start.wav");
    add("HornBell", "horn_loop.wav");
    add("HornBell", "idle 1.wav");

    for (const auto& [set, path] : expected)
        EXPECT_NE(ws::demo::findDemoFile(set, path), nullptr) << set << "/" << path;

    // Steam 2 has several rpm loops and no single loop, which would make it a Steam 1 set.
    int rpmLoops = 0;
    for (const DemoFile& f : demoFiles()) {
        const std::string path(f.path);
        if (f.set == "Steam2" && path.rfind("steam_loop_", 0) == 0) {
            ++rpmLoops;
            EXPECT_EQ(path, "steam_loop_" + std::to_string(std::stoi(path.substr(11))) + "rpm.wav");
        }
    }
    EXPECT_GE(rpmLoops, 3);
    EXPECT_EQ(ws::demo::findDemoFile("Steam2", "steam_loop.wav"), nullptr);
    // Nothing else: any further file could change how a folder is recognised.
    EXPECT_EQ(demoFiles().size(), expected.size() + size_t(rpmLoops));
}

TEST(DemoSets, FilesOnDiskAreExactlyTheTable) {
    std::set<fs::path> listed;
    for (const DemoFile& f : demoFiles())
        listed.insert(pathOf(f));
    std::set<fs::path> found;
    for (std::string_view set : ws::demo::demoSets()) {
        const fs::path dir = ws::test::demoDir() / std::string(set);
        ASSERT_TRUE(fs::is_directory(dir)) << dir << " (built by the demo_sets target)";
        for (const auto& entry : fs::recursive_directory_iterator(dir))
            if (entry.is_regular_file())
                found.insert(entry.path());
    }
    EXPECT_EQ(found, listed);
}

TEST(DemoSets, EachFileHasItsFormatLengthAndFundamental) {
    for (const DemoFile& f : demoFiles()) {
        SCOPED_TRACE(pathOf(f).string());
        const Audio a = load(pathOf(f));
        EXPECT_EQ(a.channels, f.channels);
        EXPECT_EQ(a.rate, f.rate);
        EXPECT_EQ(a.subFormat, f.bits == 8 ? SF_FORMAT_PCM_U8 : SF_FORMAT_PCM_16);
        ASSERT_EQ(long(a.mono.size()), f.frames());
        const double peak = strongestPeak(a.mono, a.rate);
        EXPECT_NEAR(peak / f.hz, 1.0, 0.02) << "strongest peak at " << peak << " Hz";
    }
}

TEST(DemoSets, LoopsAreSeamlessAndOneShotsFade) {
    for (const DemoFile& f : demoFiles()) {
        SCOPED_TRACE(pathOf(f).string());
        const Audio a = load(pathOf(f));
        ASSERT_EQ(long(a.mono.size()), f.frames());
        const size_t n = a.mono.size(), edge = size_t(0.02 * f.rate);
        const double whole = rms(a.mono, 0, n);
        if (f.loop()) {
            // Whole periods: the tone falls on one bin of the whole loop's spectrum and
            // does not leak into its neighbours, as it would across a seam.
            const double k = f.hz * f.seconds;
            const double at = binMagnitude(a.mono, k);
            EXPECT_GT(at, 10.0 * binMagnitude(a.mono, k - 1));
            EXPECT_GT(at, 10.0 * binMagnitude(a.mono, k + 1));
            // Not faded: the ends are as loud as the loop is.
            EXPECT_GT(rms(a.mono, 0, edge), 0.25 * whole);
            EXPECT_GT(rms(a.mono, n - edge, edge), 0.25 * whole);
        } else {
            EXPECT_LT(std::abs(a.mono.front()), 0.01);
            EXPECT_LT(std::abs(a.mono.back()), 0.01);
            EXPECT_LT(rms(a.mono, 0, size_t(0.001 * f.rate)), 0.1 * whole);
        }
    }
}
