// What the asset checker's per-file measurements cost. Every file of the diesel demo set is
// measured, per second of audio, against libsndfile opening and reading the same files into
// memory (sf_readf_short) in the same run (counter "ratio": measuring time / reading time).
// The loudness meter alone on the same samples, already in memory, is reported beside it
// ("meter_ratio"), since that part is the library's and sets a floor under the ratio.
//
// BM_SeamCuts tunes and checks the seam's click measure on real recordings of train motors
// (../shared/corpus/railway-mtr-m): loops cut from each at random, which mostly click, and
// loops whose seam continues the waveform, which must not be flagged: cuts where the
// recording comes back to nearly the same samples, and loops cross-faded over their seam.
// The shares flagged are reported for the old rule (the step across the seam against four
// times the typical step, above 0.01) and for seamClicks. BM_SeamDemoSets counts the demo
// sets' files that each rule flags: none may be, every loop there holds whole periods.
#include "check/AudioMeasure.h"
#include "check/SeamMeasure.h"

#include "BenchPaths.h"

#include <benchmark/benchmark.h>
#include <ebur128.h>
#include <sndfile.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <numbers>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;
using ws::bench::corpusDir;
using ws::bench::demoDir;
using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

struct DemoFile {
    std::string path;
    SF_INFO info{};
    std::vector<float> samples; // for the meter alone, read outside the timed sections
};

std::vector<DemoFile> dieselFiles() {
    std::vector<DemoFile> files;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(demoDir() / "Diesel", ec)) {
        if (entry.path().extension() != ".wav")
            continue;
        DemoFile f;
        f.path = entry.path().string();
        SNDFILE* sf = sf_open(f.path.c_str(), SFM_READ, &f.info);
        if (!sf)
            continue;
        f.samples.resize(static_cast<std::size_t>(f.info.frames * f.info.channels));
        f.info.frames = sf_readf_float(sf, f.samples.data(), f.info.frames);
        sf_close(sf);
        files.push_back(std::move(f));
    }
    std::sort(files.begin(), files.end(),
              [](const DemoFile& a, const DemoFile& b) { return a.path < b.path; });
    return files;
}

void BM_MeasureVsRead(benchmark::State& state) {
    const std::vector<DemoFile> files = dieselFiles();
    if (files.empty()) {
        state.SkipWithError(
            ("no demo set at " + (demoDir() / "Diesel").string() + " (build the demo_sets target)")
                .c_str());
        return;
    }
    double audioSeconds = 0;
    std::size_t largest = 0;
    for (const DemoFile& f : files) {
        audioSeconds += double(f.info.frames) / f.info.samplerate;
        largest = std::max(largest, f.samples.size());
    }
    std::vector<short> memory(largest);

    double readSeconds = 0, measureSeconds = 0, meterSeconds = 0;
    for (auto _ : state) {
        auto start = Clock::now();
        for (const DemoFile& f : files) {
            SF_INFO info{};
            SNDFILE* sf = sf_open(f.path.c_str(), SFM_READ, &info);
            benchmark::DoNotOptimize(sf_readf_short(sf, memory.data(), f.info.frames));
            sf_close(sf);
        }
        benchmark::ClobberMemory();
        readSeconds += secondsSince(start);

        start = Clock::now();
        for (const DemoFile& f : files) {
            ws::check::AudioMeasure m = ws::check::measureFile(f.path);
            benchmark::DoNotOptimize(m);
        }
        const double pass = secondsSince(start);
        state.SetIterationTime(pass);
        measureSeconds += pass;

        start = Clock::now();
        for (const DemoFile& f : files) {
            ebur128_state* meter =
                ebur128_init(static_cast<unsigned>(f.info.channels),
                             static_cast<unsigned long>(f.info.samplerate), EBUR128_MODE_I);
            ebur128_add_frames_float(meter, f.samples.data(),
                                     static_cast<std::size_t>(f.info.frames));
            double lufs = 0;
            ebur128_loudness_global(meter, &lufs);
            benchmark::DoNotOptimize(lufs);
            ebur128_destroy(&meter);
        }
        meterSeconds += secondsSince(start);
    }

    const double audio = double(state.iterations()) * audioSeconds;
    state.counters["measure_ms_per_audio_s"] = measureSeconds * 1000 / audio;
    state.counters["sndfile_ms_per_audio_s"] = readSeconds * 1000 / audio;
    state.counters["ratio"] = measureSeconds / readSeconds;
    state.counters["meter_ratio"] = meterSeconds / readSeconds;
    state.counters["files"] = double(files.size());
}
BENCHMARK(BM_MeasureVsRead)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace

namespace {

bool oldRuleClicks(const ws::check::AudioMeasure& m) {
    return m.seamStep > 0.01 && m.seamStep > 4 * m.typicalStep;
}

struct Recording {
    int channels = 0;
    int rate = 0;
    std::vector<short> samples; // interleaved
    std::size_t frames() const { return samples.size() / std::size_t(channels); }
    double at(std::size_t frame, int c) const {
        return samples[frame * std::size_t(channels) + std::size_t(c)];
    }
};

Recording load(const fs::path& path) {
    Recording r;
    SF_INFO info{};
    SNDFILE* sf = sf_open(path.c_str(), SFM_READ, &info);
    if (!sf)
        return r;
    r.channels = info.channels;
    r.rate = info.samplerate;
    r.samples.resize(std::size_t(info.frames) * std::size_t(info.channels));
    r.samples.resize(std::size_t(sf_readf_short(sf, r.samples.data(), info.frames)) *
                     std::size_t(info.channels));
    sf_close(sf);
    return r;
}

class ScratchDir {
public:
    ScratchDir()
        : path_(fs::temp_directory_path() / ("ws_seam_bench_" + std::to_string(getpid()))) {
        fs::create_directories(path_);
    }
    ~ScratchDir() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    fs::path file() const { return path_ / "cut.wav"; }

private:
    fs::path path_;
};

// Writes the loop as a 16-bit file and measures it as the checker does.
ws::check::AudioMeasure measureLoop(const fs::path& file, int channels, int rate,
                                    const std::vector<short>& loop) {
    SF_INFO info{};
    info.channels = channels;
    info.samplerate = rate;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* sf = sf_open(file.c_str(), SFM_WRITE, &info);
    sf_writef_short(sf, loop.data(), sf_count_t(loop.size() / std::size_t(channels)));
    sf_close(sf);
    return ws::check::measureFile(file.string());
}

std::vector<short> segment(const Recording& r, std::size_t a, std::size_t b) {
    const auto c = std::size_t(r.channels);
    return {r.samples.begin() + std::ptrdiff_t(a * c), r.samples.begin() + std::ptrdiff_t(b * c)};
}

// The end b in [lo, hi] where the recording comes back closest to the samples around a:
// the join from b - 1 to a is then nearly the recording's own step from a - 1 to a. Also
// how close: the root mean square difference over the window around the join, over that of
// the recording's own steps there.
std::pair<std::size_t, double> matchingEnd(const Recording& r, std::size_t a, std::size_t lo,
                                           std::size_t hi) {
    constexpr int Half = 3;
    double best = INFINITY;
    std::size_t at = lo;
    for (std::size_t b = lo; b <= hi; ++b) {
        double d = 0;
        for (int c = 0; c < r.channels && d < best; ++c)
            for (int i = -Half; i < Half; ++i) {
                const double e = r.at(b + i, c) - r.at(a + i, c);
                d += e * e;
            }
        if (d < best) {
            best = d;
            at = b;
        }
    }
    double own = 0;
    for (int c = 0; c < r.channels; ++c)
        for (int i = -Half; i < Half; ++i) {
            const double e = r.at(a + i, c) - r.at(a + i - 1, c);
            own += e * e;
        }
    return {at, own > 0 ? std::sqrt(best / own) : INFINITY};
}

// [a, b) with its last `fade` frames cross-faded (equal power) into its first ones: the
// loop is then a + fade .. b - fade, then the fade, and its seam is the recording's own
// step from b - fade - 1 to b - fade.
std::vector<short> crossFaded(const Recording& r, std::size_t a, std::size_t b, std::size_t fade) {
    std::vector<short> loop;
    const std::size_t length = b - a - fade;
    for (std::size_t i = 0; i < length; ++i) {
        for (int c = 0; c < r.channels; ++c) {
            double v = r.at(a + i, c);
            if (i < fade) {
                const double w = (double(i) + 0.5) / double(fade) * std::numbers::pi / 2;
                v = std::cos(w) * r.at(b - fade + i, c) + std::sin(w) * r.at(a + i, c);
            }
            loop.push_back(static_cast<short>(std::clamp(std::lround(v), -32768L, 32767L)));
        }
    }
    return loop;
}

struct Tally {
    int cuts = 0, oldRule = 0, newRule = 0, oldRuleOnly = 0;
    void add(const ws::check::AudioMeasure& m) {
        ++cuts;
        oldRule += oldRuleClicks(m);
        newRule += ws::check::seamClicks(m);
        oldRuleOnly += oldRuleClicks(m) && !ws::check::seamClicks(m);
    }
    double share(int n) const { return cuts ? 100.0 * n / cuts : 0; }
};

// Loops of 0.5 to 4 s (to 0.5 s less than the recording); a matched cut counts as continuing the
// waveform when it comes back within half the recording's own step.
void BM_SeamCuts(benchmark::State& state, const char* name) {
    const Recording r = load(corpusDir() / "railway-mtr-m" / name);
    if (r.frames() < std::size_t(3 * r.rate / 2)) {
        state.SkipWithError(("no recording " + (corpusDir() / "railway-mtr-m" / name).string() +
                             " of 1.5 s or more")
                                .c_str());
        return;
    }
    constexpr int Cuts = 300;
    constexpr double CloseMatch = 0.5;
    const ScratchDir scratch;
    const auto rate = std::size_t(r.rate);
    Tally random, matched, faded;
    for (auto _ : state) {
        std::mt19937_64 pick(1234);
        for (int i = 0; i < Cuts; ++i) {
            const std::size_t shortest = rate / 2,
                              longest = std::min(4 * rate, r.frames() - rate / 2 - 8);
            const std::size_t length =
                std::uniform_int_distribution<std::size_t>(shortest, longest)(pick);
            const std::size_t a = std::uniform_int_distribution<std::size_t>(
                rate / 4, r.frames() - length - rate / 4)(pick);
            random.add(measureLoop(scratch.file(), r.channels, r.rate, segment(r, a, a + length)));
            faded.add(measureLoop(scratch.file(), r.channels, r.rate,
                                  crossFaded(r, a, a + length, rate / 100)));
            const auto [b, closeness] =
                matchingEnd(r, a, a + shortest, std::min(a + longest, r.frames() - 4));
            if (closeness <= CloseMatch)
                matched.add(measureLoop(scratch.file(), r.channels, r.rate, segment(r, a, b)));
        }
    }
    state.counters["random_old_%"] = random.share(random.oldRule);
    state.counters["random_new_%"] = random.share(random.newRule);
    state.counters["random_old_only"] = random.oldRuleOnly;
    state.counters["matched_cuts"] = matched.cuts;
    state.counters["matched_old"] = matched.oldRule;
    state.counters["matched_new"] = matched.newRule;
    state.counters["faded_old"] = faded.oldRule;
    state.counters["faded_new"] = faded.newRule;
}
BENCHMARK_CAPTURE(BM_SeamCuts, loop, "loop.wav")->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK_CAPTURE(BM_SeamCuts, loop1, "loop1.wav")->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK_CAPTURE(BM_SeamCuts, 40_di, "40_di.wav")->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK_CAPTURE(BM_SeamCuts, 56_di, "56_di.wav")->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK_CAPTURE(BM_SeamCuts, m_train_dpa, "m-train-dpa.wav")
    ->Iterations(1)
    ->Unit(benchmark::kSecond);
BENCHMARK_CAPTURE(BM_SeamCuts, 0_gto, "0_gto.wav")->Iterations(1)->Unit(benchmark::kSecond);

// Every file of every demo set, loops and one-shots (whose ends fade to silence) alike;
// the flagged ones are named on the standard error.
void BM_SeamDemoSets(benchmark::State& state) {
    std::vector<fs::path> files;
    std::error_code ec;
    for (const auto& entry : fs::recursive_directory_iterator(demoDir(), ec))
        if (entry.path().extension() == ".wav")
            files.push_back(entry.path());
    if (files.empty()) {
        state.SkipWithError("no demo sets (build the demo_sets target)");
        return;
    }
    Tally all;
    for (auto _ : state) {
        for (const fs::path& file : files) {
            const ws::check::AudioMeasure m = ws::check::measureFile(file.string());
            all.add(m);
            if (ws::check::seamClicks(m) || oldRuleClicks(m))
                std::fprintf(stderr, "flagged: %s (%s)\n", file.c_str(),
                             ws::check::seamDetail(m).c_str());
        }
    }
    state.counters["files"] = all.cuts;
    state.counters["old_flagged"] = all.oldRule;
    state.counters["new_flagged"] = all.newRule;
}
BENCHMARK(BM_SeamDemoSets)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
