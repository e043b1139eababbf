// What checking a whole library costs, and how it scales with the cores. A library of 1,000
// asset folders is made once, outside the timed part, of hard links to the demo sets' files
// (all eight kinds in turn), then found and checked with one worker and with two. Counters:
// the wall time of each ("wall_1w_s", "wall_2w_s") and their ratio ("speedup", near 2 on two
// idle cores); the audio seconds checked per CPU second with two workers
// ("audio_s_per_cpu_s") beside libebur128's own rate on the same samples already in memory
// ("meter_audio_s_per_cpu_s"), the part of the work that is the library's and sets a
// ceiling; and the time to find the 1,000 folders ("find_ms").
#include "check/AssetCheck.h"
#include "check/Library.h"

#include <QFile>

#include "BenchPaths.h"

#include <benchmark/benchmark.h>
#include <ebur128.h>
#include <sndfile.h>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using ws::bench::demoDir;
using Clock = std::chrono::steady_clock;

constexpr int LibraryAssets = 1000;
const char* const Sets[] = {"Diesel", "Electric", "Steam1", "Steam2",
                            "Horn1",  "Horn2",    "Horn3",  "HornBell"};

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double cpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// One demo set: its audio length and its samples for the meter alone.
struct DemoSet {
    fs::path folder;
    double audioSeconds = 0;
    struct Wave {
        int channels = 0;
        int rate = 0;
        std::vector<float> samples;
    };
    std::vector<Wave> waves;
};

DemoSet loadSet(const fs::path& folder) {
    DemoSet set;
    set.folder = folder;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (entry.path().extension() != ".wav")
            continue;
        SF_INFO info{};
        SNDFILE* sf = sf_open(entry.path().c_str(), SFM_READ, &info);
        if (!sf)
            continue;
        DemoSet::Wave wave{info.channels, info.samplerate, {}};
        wave.samples.resize(std::size_t(info.frames * info.channels));
        const sf_count_t frames = sf_readf_float(sf, wave.samples.data(), info.frames);
        sf_close(sf);
        set.audioSeconds += double(frames) / info.samplerate;
        set.waves.push_back(std::move(wave));
    }
    return set;
}

// The library in the build tree beside the demo sets (hard links need the same file
// system), removed again at the end.
class Library {
public:
    Library(const std::vector<DemoSet>& sets) : root_(demoDir().parent_path() / "bench_library") {
        fs::remove_all(root_);
        for (int i = 0; i < LibraryAssets; ++i) {
            const DemoSet& set = sets[std::size_t(i) % sets.size()];
            const fs::path asset = root_ / ("group " + std::to_string(i / 100)) /
                                   (set.folder.filename().string() + " " + std::to_string(i));
            for (const auto& entry : fs::recursive_directory_iterator(set.folder)) {
                const fs::path to = asset / fs::relative(entry.path(), set.folder);
                if (entry.is_directory()) {
                    fs::create_directories(to);
                    continue;
                }
                fs::create_directories(to.parent_path());
                std::error_code linkError;
                fs::create_hard_link(entry.path(), to, linkError);
                if (linkError)
                    fs::copy_file(entry.path(), to);
            }
            audioSeconds_ += set.audioSeconds;
        }
    }
    ~Library() { fs::remove_all(root_); }
    const fs::path& root() const { return root_; }
    double audioSeconds() const { return audioSeconds_; }

private:
    fs::path root_;
    double audioSeconds_ = 0;
};

// Checks every folder with `workers` threads, dropping each report as it comes.
double checkAll(const std::vector<ws::check::FoundFolder>& folders, int workers) {
    ws::check::LibraryRun run;
    run.count = folders.size();
    run.workers = workers;
    run.check = [&](std::size_t i) { return ws::check::checkAssetFolder(folders[i].native); };
    int errors = 0;
    run.done = [&](std::size_t, ws::check::AssetReport& report) { errors += report.errors(); };
    const auto start = Clock::now();
    ws::check::checkLibrary(run);
    benchmark::DoNotOptimize(errors);
    return secondsSince(start);
}

void BM_LibraryOneVsTwoWorkers(benchmark::State& state) {
    std::vector<DemoSet> sets;
    for (const char* name : Sets)
        if (fs::is_directory(demoDir() / name))
            sets.push_back(loadSet(demoDir() / name));
    if (sets.size() != std::size(Sets)) {
        state.SkipWithError(("no demo sets at " + demoDir().string()).c_str());
        return;
    }
    const Library library(sets);

    double find = 0, one = 0, two = 0, twoCpu = 0, meterCpu = 0, meterAudio = 0;
    for (auto _ : state) {
        auto start = Clock::now();
        const std::vector<ws::check::FoundFolder> folders =
            ws::check::findAssetFolders(library.root());
        find += secondsSince(start);
        if (folders.size() != std::size_t(LibraryAssets)) {
            state.SkipWithError("the library's folders were not all found");
            return;
        }
        one += checkAll(folders, 1);
        const double cpu = cpuSeconds();
        const double wall = checkAll(folders, 2);
        twoCpu += cpuSeconds() - cpu;
        two += wall;
        state.SetIterationTime(wall);

        const double meterStart = cpuSeconds();
        for (const DemoSet& set : sets) {
            for (const DemoSet::Wave& w : set.waves) {
                ebur128_state* meter = ebur128_init(
                    unsigned(w.channels), static_cast<unsigned long>(w.rate), EBUR128_MODE_I);
                ebur128_add_frames_float(meter, w.samples.data(),
                                         w.samples.size() / std::size_t(w.channels));
                double lufs = 0;
                ebur128_loudness_global(meter, &lufs);
                benchmark::DoNotOptimize(lufs);
                ebur128_destroy(&meter);
            }
            meterAudio += set.audioSeconds;
        }
        meterCpu += cpuSeconds() - meterStart;
    }
    const double n = double(state.iterations());
    state.counters["find_ms"] = find * 1000 / n;
    state.counters["wall_1w_s"] = one / n;
    state.counters["wall_2w_s"] = two / n;
    state.counters["speedup"] = one / two;
    state.counters["audio_s_per_cpu_s"] = library.audioSeconds() * n / twoCpu;
    state.counters["meter_audio_s_per_cpu_s"] = meterAudio / meterCpu;
    state.counters["audio_s"] = library.audioSeconds();
}
BENCHMARK(BM_LibraryOneVsTwoWorkers)->UseManualTime()->Iterations(2)->Unit(benchmark::kSecond);

} // namespace
