// What the asset checker's per-file measurements cost. Every file of the diesel demo set is
// measured, per second of audio, against libsndfile opening and reading the same files into
// memory (sf_readf_short) in the same run (counter "ratio": measuring time / reading time).
// The loudness meter alone on the same samples, already in memory, is reported beside it
// ("meter_ratio"), since that part is the library's and sets a floor under the ratio.
#include "check/AudioMeasure.h"

#include <benchmark/benchmark.h>
#include <ebur128.h>
#include <sndfile.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// The generated demo sets: where the tests' support library says when it is linked in,
// else beside this program in the build tree (<build>/bench/ws_bench, <build>/demo).
fs::path demoDir() {
#ifdef WS_DEMO_DIR
    return fs::path(WS_DEMO_DIR);
#else
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::path() : self.parent_path().parent_path() / "demo";
#endif
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
