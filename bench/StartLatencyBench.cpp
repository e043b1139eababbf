// The delay from a click on Start to the first sounding sample handed to the sound device,
// against one device period (the unit a sound card asks for), at the period devices open
// with and at the longest one they may grow to: a click can never be heard sooner than the
// card's next period, so the delay beyond it is the program's own. The manual back end stands in
// for the card: a thread of this benchmark asks it for one period at the card's pace, as the
// output callback would, and notes when the first period that is not silent comes out.
#include "BenchWindow.h"
#include "PulseServer.h"
#include "audio/ManualSoundSystem.h"
#include "audio/Mixer.h"
#include "audio/SdlLibrary.h"
#include "audio/SdlSoundSystem.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace {

using namespace ws;
using Clock = std::chrono::steady_clock;

constexpr double Rate = 44100.0;

// Renders one period of the device every period of wall time until stopped.
class PacedCard {
public:
    PacedCard(ManualDevice& device, std::size_t period)
        : device_(device), period_(period), thread_([this] { run(); }) {}
    ~PacedCard() {
        stop_ = true;
        thread_.join();
    }
    PacedCard(const PacedCard&) = delete;
    PacedCard& operator=(const PacedCard&) = delete;

    // Forget what sounded so far: the next sounding period counts as the first.
    void rearm() { firstSound_.store(0); }
    // Nanoseconds of the steady clock when a sounding period was handed over; 0 = none yet.
    int64_t firstSound() const { return firstSound_.load(); }

private:
    void run() {
        WaveFormat format;
        device_.primaryFormat(&format);
        std::vector<float> out(period_ * std::max<int>(format.nChannels, 1));
        const auto period = std::chrono::duration_cast<Clock::duration>(
            std::chrono::duration<double>(double(period_) / Rate));
        auto due = Clock::now();
        while (!stop_) {
            device_.renderFloat(out.data(), period_);
            bool sounding = false;
            for (float v : out)
                sounding = sounding || v != 0.0f;
            const int64_t now = Clock::now().time_since_epoch().count();
            int64_t none = 0;
            if (sounding)
                firstSound_.compare_exchange_strong(none, now);
            due += period;
            std::this_thread::sleep_until(due);
        }
    }

    ManualDevice& device_;
    const std::size_t period_;
    std::atomic<bool> stop_{false};      // set by the benchmark's thread
    std::atomic<int64_t> firstSound_{0}; // written by the card's thread
    std::thread thread_;
};

void BM_StartToFirstSample(benchmark::State& state) {
    bench::ensureApplication();
    auto owned = std::make_unique<ManualSoundSystem>();
    ManualSoundSystem* manual = owned.get();
    const auto period = static_cast<std::size_t>(state.range(0));
    manual->setDevicePeriod(static_cast<uint32_t>(period));
    std::unique_ptr<SoundSystem> previous = setSoundSystem(std::move(owned));
    loadDeviceLists();
    {
        bench::BenchWindow user("Diesel");
        // The device opens at the first Play; open it outside the timed runs.
        user.click("BtStart");
        user.click("BtStop");
        ManualDevice* device = manual->current();
        if (!device) {
            state.SkipWithError("the device did not open");
        } else {
            PacedCard card(*device, period);
            QTest::qWait(300);
            double periods = 0.0, worst = 0.0;
            for (auto _ : state) {
                card.rearm();
                const auto clicked = Clock::now();
                user.click("BtStart");
                if (!QTest::qWaitFor([&] { return card.firstSound() != 0; }, 10000)) {
                    state.SkipWithError("Start did not sound");
                    break;
                }
                const double seconds =
                    std::chrono::duration<double>(Clock::duration(card.firstSound()) -
                                                  clicked.time_since_epoch())
                        .count();
                state.SetIterationTime(seconds);
                periods += seconds / (double(period) / Rate);
                worst = std::max(worst, seconds);
                user.click("BtStop"); // plays the stop sound through to its end
                QTest::qWait(200);
            }
            state.counters["periods"] =
                benchmark::Counter(periods, benchmark::Counter::kAvgIterations);
            // The goal: never more than 5 ms beyond the card's next period.
            state.counters["worst_beyond_period_ms"] = 1000.0 * (worst - double(period) / Rate);
        }
    }
    setSoundSystem(std::move(previous));
    loadDeviceLists();
}

BENCHMARK(BM_StartToFirstSample)
    ->Arg(SdlSoundSystem::DevicePeriod)
    ->Arg(SdlSoundSystem::LongestPeriod)
    ->Iterations(20)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// The other part of the delay: the latency a private PulseAudio reports for the program's
// stream (its buffer plus its sink's), as the program plays now (short periods into a
// server buffer of its choosing) and as it played before (SDL's own buffer of one period of
// 4096 frames), measured with the demo diesel's idle running.
void BM_ServerLatency(benchmark::State& state) {
    bench::ensureApplication();
    SdlSoundSystem::prepareProcess();
    test::PulseServer server(std::vector<test::PulseServer::Sink>{{"ws_bench", "Bench Sink"}});
    if (!server.running()) {
        state.SkipWithError(server.error().c_str());
        return;
    }
    server.useForThisProcess();
    const SdlLibrary* sdl = SdlLibrary::load();
    const char* driver = sdl ? sdl->GetCurrentAudioDriver() : nullptr;
    if (driver && std::string(driver) != "pulseaudio") {
        // SDL's audio starts once per process, on the driver it finds first.
        state.SkipWithError("SDL plays through another driver: run with "
                            "--benchmark_filter=ServerLatency");
        return;
    }
    const bool before = state.range(0) == SdlSoundSystem::LongestPeriod;
    test::ScopedEnv env;
    if (before)
        env.set("PULSE_LATENCY_MSEC", "0");
    SdlSoundSystem::setStartingPeriod(static_cast<uint16_t>(state.range(0)));
    loadDeviceLists();
    long latency = -1;
    for (auto _ : state) {
        bench::BenchWindow user("Diesel");
        user.click("BtStart");
        latency = server.settledStreamLatencyUs();
        state.SetIterationTime(latency / 1e6);
        user.click("BtStop");
    }
    SdlSoundSystem::setStartingPeriod(SdlSoundSystem::DevicePeriod);
    state.counters["server_latency_ms"] = latency / 1000.0;
}

BENCHMARK(BM_ServerLatency)
    ->Arg(SdlSoundSystem::DevicePeriod)
    ->Arg(SdlSoundSystem::LongestPeriod)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

} // namespace
