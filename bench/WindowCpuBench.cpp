// The running program's own CPU use on a real sound server (a private PulseAudio with one
// null sink): the shown window with nothing playing, a diesel idle loop playing, and the
// same with the throttle moved one notch every second. Each figure is process CPU time over
// wall time, a share of one core, and is reported beside the idle window's share measured
// in the same run. The aim is at most 2% of a core while a loop plays.
#include "BenchWindow.h"
#include "PulseServer.h"
#include "audio/Mixer.h"
#include "audio/MixerChannel.h"

#include <benchmark/benchmark.h>

#include <QAction>
#include <QMenu>

#include <chrono>
#include <ctime>
#include <filesystem>

namespace {

using namespace ws;
using Clock = std::chrono::steady_clock;

constexpr int MeasureSeconds = 8;

double processCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// Share of one core the process uses while `during` runs the event loop for `seconds`.
template <typename During> double coreShare(double seconds, During during) {
    const double cpu0 = processCpuSeconds();
    const auto wall0 = Clock::now();
    during(seconds);
    const double wall = std::chrono::duration<double>(Clock::now() - wall0).count();
    return (processCpuSeconds() - cpu0) / wall;
}

std::string fileOn(const MixerChannel* channel) {
    return channel ? std::filesystem::path(channel->FileName()).filename().string() : "";
}

enum Scenario { IdleLoop = 0, ThrottleEverySecond = 1 };

void BM_WindowCpu(benchmark::State& state) {
    if (test::PulseServer::program().empty()) {
        state.SkipWithError("pulseaudio is not installed");
        return;
    }
    test::PulseServer server(
        std::vector<test::PulseServer::Sink>{{"ws_bench_sink", "Whistlestop Bench Sink"}});
    if (!server.running()) {
        state.SkipWithError(server.error().c_str());
        return;
    }
    server.useForThisProcess();
    loadDeviceLists();
    bench::BenchWindow user("Diesel");
    MainWindow& window = user.window();
    if (!user.active()) {
        state.SkipWithError("the window did not become active");
        return;
    }
    for (QAction* a : window.findChild<QMenu*>("Device1")->actions())
        if (a->text() == "Whistlestop Bench Sink")
            a->trigger();

    const auto wait = [](double seconds) { QTest::qWait(int(seconds * 1000)); };
    for (auto _ : state) {
        const double idleWindow = coreShare(MeasureSeconds, wait);

        user.click("BtStart");
        if (!QTest::qWaitFor([&] { return fileOn(window.mixerChannel1()) == "idle 1.wav"; },
                             30000)) {
            state.SkipWithError("the idle loop did not start");
            break;
        }
        QTest::qWait(500); // past the hand-over's cross-fade
        double playing = 0.0;
        if (state.range(0) == IdleLoop) {
            playing = coreShare(MeasureSeconds, wait);
        } else {
            playing = coreShare(MeasureSeconds, [](double seconds) {
                // Up to notch 4 and back, one notch a second, as a driver would.
                for (int s = 0; s < int(seconds); ++s) {
                    bench::BenchWindow::press(s % 6 < 3 ? Qt::Key_Up : Qt::Key_Down);
                    QTest::qWait(1000);
                }
            });
        }
        user.click("BtStop");
        QTest::qWait(300);

        state.counters["idle_window_core"] = idleWindow;
        state.counters["playing_core"] = playing;
        state.counters["playing_vs_idle_window"] = idleWindow > 0 ? playing / idleWindow : 0.0;
        state.counters["within_2pct_goal"] = playing <= 0.02 ? 1 : 0;
    }
}

BENCHMARK(BM_WindowCpu)
    ->ArgName("throttle_every_second")
    ->Arg(IdleLoop)
    ->Arg(ThrottleEverySecond)
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

} // namespace
