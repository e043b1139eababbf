// The software mixer's cost. Every figure is set against a baseline measured in the same
// run: summing the same 16-bit stereo samples into a float mix with a gain, without
// resampling. Reported per channel per second of output (44100 frames), as a ratio to that
// baseline, and for 64 channels as a multiple of real time.
#include "audio/ManualSoundSystem.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <random>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::size_t OutputRate = 44100;
constexpr std::size_t Callback = 1024;

std::vector<int16_t> noise(std::size_t samples, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> d(-8000, 8000);
    std::vector<int16_t> s(samples);
    for (auto& v : s)
        v = static_cast<int16_t>(d(rng));
    return s;
}

// One second of one stereo channel summed into a float mix, no resampling.
void sumOneSecond(const std::vector<int16_t>& src, std::vector<float>& mix, float gain) {
    const std::size_t frames = src.size() / 2;
    for (std::size_t at = 0; at < OutputRate; at += Callback) {
        const std::size_t n = std::min(Callback, OutputRate - at);
        for (std::size_t i = 0; i < n; ++i) {
            const std::size_t f = (at + i) % frames;
            mix[2 * i] += src[2 * f] * (gain / 32768.0f);
            mix[2 * i + 1] += src[2 * f + 1] * (gain / 32768.0f);
        }
    }
}

// Seconds the baseline takes per second of one channel: the best of several runs.
double baselineSeconds() {
    static const double seconds = [] {
        const auto src = noise(2 * OutputRate, 1);
        std::vector<float> mix(2 * Callback, 0.0f);
        double best = 1e9;
        for (int run = 0; run < 30; ++run) {
            const auto t0 = Clock::now();
            sumOneSecond(src, mix, 0.5f);
            benchmark::DoNotOptimize(mix.data());
            best = std::min(best, std::chrono::duration<double>(Clock::now() - t0).count());
        }
        return best;
    }();
    return seconds;
}

struct Bench {
    ws::ManualSoundSystem system;
    std::unique_ptr<ws::SoundDevice> device;
    std::vector<std::unique_ptr<ws::SoundBuffer>> buffers;

    Bench(int channels, double ratio) {
        system.createDevice("", &device);
        device->setPrimaryFormat(ws::WaveFormat::pcm(2, OutputRate, 16));
        for (int c = 0; c < channels; ++c) {
            const auto data = noise(2 * OutputRate, static_cast<unsigned>(c + 2));
            std::unique_ptr<ws::SoundBuffer> b;
            device->createSoundBuffer(ws::WaveFormat::pcm(2, OutputRate, 16),
                                      static_cast<uint32_t>(data.size() * 2), &b);
            void *p1, *p2;
            uint32_t n1, n2;
            b->lock(0, b->size(), &p1, &n1, &p2, &n2);
            std::memcpy(p1, data.data(), n1);
            b->unlock(p1, n1, p2, n2);
            // Spread the rates a little so that no two buffers share a phase.
            const double r = ratio == 1.0 ? 1.0 : ratio * (1.0 + 0.001 * c);
            b->setFrequency(static_cast<uint32_t>(OutputRate * r));
            b->setVolume(-100 * (c % 10));
            b->play(true);
            buffers.push_back(std::move(b));
        }
    }

    // One second of output in callbacks of 1024 frames; with `ramps`, every buffer gets a
    // new volume and pan each callback, so it is always ramping.
    void second(std::vector<float>& out, bool ramps) {
        auto* manual = system.current();
        for (std::size_t at = 0, k = 0; at < OutputRate; at += Callback, ++k) {
            if (ramps)
                for (std::size_t c = 0; c < buffers.size(); ++c) {
                    buffers[c]->setVolume(-static_cast<int32_t>((k + c) % 2) * 600);
                    buffers[c]->setPan(static_cast<int32_t>((k + c) % 3) * 500 - 500);
                }
            manual->renderFloat(out.data(), std::min(Callback, OutputRate - at));
        }
        benchmark::DoNotOptimize(out.data());
    }
};

void reportAgainstBaseline(benchmark::State& state, double seconds, int channels) {
    const double perIteration = seconds / static_cast<double>(state.iterations());
    state.counters["x_baseline"] = perIteration / channels / baselineSeconds();
    state.counters["x_realtime"] = 1.0 / perIteration;
    state.counters["ns_per_frame_per_channel"] = 1e9 * perIteration / channels / OutputRate;
}

void BM_SumBaseline(benchmark::State& state) {
    const auto src = noise(2 * OutputRate, 1);
    std::vector<float> mix(2 * Callback, 0.0f);
    double seconds = 0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        sumOneSecond(src, mix, 0.5f);
        benchmark::DoNotOptimize(mix.data());
        seconds += std::chrono::duration<double>(Clock::now() - t0).count();
    }
    reportAgainstBaseline(state, seconds, 1);
}
BENCHMARK(BM_SumBaseline)->Unit(benchmark::kMillisecond);

// One channel, one second of output. Arg: playback rate in thousandths of the device rate.
void BM_MixOneChannel(benchmark::State& state) {
    Bench bench(1, state.range(0) / 1000.0);
    std::vector<float> out(2 * Callback);
    double seconds = 0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        bench.second(out, false);
        seconds += std::chrono::duration<double>(Clock::now() - t0).count();
    }
    reportAgainstBaseline(state, seconds, 1);
}
BENCHMARK(BM_MixOneChannel)->Arg(1000)->Arg(1180)->Arg(700)->Unit(benchmark::kMillisecond);

// 64 channels resampled (around 1.18) and ramping all the time: a multiple of real time.
void BM_Mix64ChannelsRamped(benchmark::State& state) {
    Bench bench(64, 1.18);
    std::vector<float> out(2 * Callback);
    double seconds = 0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        bench.second(out, true);
        seconds += std::chrono::duration<double>(Clock::now() - t0).count();
    }
    reportAgainstBaseline(state, seconds, 64);
}
BENCHMARK(BM_Mix64ChannelsRamped)->Unit(benchmark::kMillisecond);

} // namespace
