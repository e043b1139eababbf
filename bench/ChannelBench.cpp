// What streaming costs a mixer channel. The refill cost per second of 16-bit stereo audio is
// measured against libsndfile reading the same file into memory in the same run (counter
// "ratio": channel time / library time); priming the 4-second ring is what play() costs.
// Output is rendered by the manual back end outside the timed sections.
#include "audio/ManualSoundSystem.h"
#include "audio/Mixer.h"
#include "audio/MixerChannel.h"

#include <benchmark/benchmark.h>
#include <sndfile.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int Rate = 44100;
constexpr int StepFrames = Rate * 400 / 1000;
constexpr uint32_t HourMs = 3'600'000;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// A 16-bit stereo file of noise in the temporary folder, removed afterwards.
class NoiseFile {
public:
    explicit NoiseFile(int seconds) : frames_(seconds * Rate) {
        path_ = std::filesystem::temp_directory_path() /
                ("ws-bench-" + std::to_string(std::random_device{}()) + ".wav");
        SF_INFO info{};
        info.channels = 2;
        info.samplerate = Rate;
        info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
        SNDFILE* file = sf_open(path_.c_str(), SFM_WRITE, &info);
        if (!file)
            throw std::runtime_error("cannot write " + path_.string());
        std::mt19937 gen(7);
        std::vector<int16_t> samples(static_cast<std::size_t>(frames_) * 2);
        for (auto& s : samples)
            s = static_cast<int16_t>(gen());
        sf_writef_short(file, samples.data(), frames_);
        sf_close(file);
    }
    ~NoiseFile() {
        std::error_code ec;
        std::filesystem::remove(path_, ec);
    }
    std::string path() const { return path_.string(); }
    int frames() const { return frames_; }

private:
    std::filesystem::path path_;
    int frames_;
};

// The manual back end as the process's sound system while it exists.
class ManualOutput {
public:
    ManualOutput() {
        auto system = std::make_unique<ws::ManualSoundSystem>();
        system_ = system.get();
        previous_ = ws::setSoundSystem(std::move(system));
        ws::loadDeviceLists();
    }
    ~ManualOutput() { ws::setSoundSystem(std::move(previous_)); }
    void render(std::vector<int16_t>& out) {
        if (ws::ManualDevice* device = system_->current())
            device->render(out.data(), out.size() / 2);
    }

private:
    ws::ManualSoundSystem* system_;
    std::unique_ptr<ws::SoundSystem> previous_;
};

// A channel whose refills the benchmark drives: its thread waits an hour between rounds.
struct DrivenChannel {
    ws::Mixer mixer;
    ws::MixerChannel channel{mixer};
    uint32_t now = 1;
    DrivenChannel() {
        channel.setRefillInterval(HourMs);
        channel.setTickSource([this] { return now; });
    }
};

void BM_RefillVsSndfile(benchmark::State& state) {
    const int seconds = 12;
    NoiseFile file(seconds);
    ManualOutput output;
    DrivenChannel driven;
    ws::MixerChannel& channel = driven.channel;
    channel.setFileName(file.path());

    SF_INFO info{};
    SNDFILE* baseline = sf_open(file.path().c_str(), SFM_READ, &info);
    std::vector<int16_t> whole(static_cast<std::size_t>(file.frames()) * 2);
    std::vector<int16_t> out(StepFrames * 2);

    double channelSeconds = 0;
    double librarySeconds = 0;
    for (auto _ : state) {
        auto start = Clock::now();
        sf_seek(baseline, 0, SEEK_SET);
        benchmark::DoNotOptimize(sf_readf_short(baseline, whole.data(), file.frames()));
        benchmark::ClobberMemory();
        librarySeconds += secondsSince(start);

        // Every byte of the file goes through play's first fill and the refills.
        double pass = 0;
        start = Clock::now();
        channel.play();
        pass += secondsSince(start);
        while (channel.State() == ws::ChannelState::csPlaying) {
            output.render(out);
            driven.now += HourMs;
            start = Clock::now();
            channel.update();
            pass += secondsSince(start);
        }
        state.SetIterationTime(pass);
        channelSeconds += pass;
    }
    sf_close(baseline);

    const double audioSeconds = double(state.iterations()) * seconds;
    state.counters["channel_ms_per_audio_s"] = channelSeconds * 1000 / audioSeconds;
    state.counters["sndfile_ms_per_audio_s"] = librarySeconds * 1000 / audioSeconds;
    state.counters["ratio"] = channelSeconds / librarySeconds;
}
BENCHMARK(BM_RefillVsSndfile)->UseManualTime()->Unit(benchmark::kMillisecond);

// play() on a channel that keeps its buffer (after stop) or must create one first.
void BM_PlayPrimesTheRing(benchmark::State& state) {
    const bool newBuffer = state.range(0) != 0;
    NoiseFile file(6);
    ManualOutput output;
    DrivenChannel driven;
    ws::MixerChannel& channel = driven.channel;
    channel.setFileName(file.path());
    for (auto _ : state) {
        state.PauseTiming();
        if (newBuffer)
            channel.releaseBuffer();
        else
            channel.stop();
        state.ResumeTiming();
        channel.play();
    }
}
BENCHMARK(BM_PlayPrimesTheRing)
    ->Arg(0)
    ->Arg(1)
    ->ArgNames({"new_buffer"})
    ->Unit(benchmark::kMicrosecond);

} // namespace
