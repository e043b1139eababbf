// From launch to the main window painted on screen: the program on the diesel demo set
// against an empty Qt window of the same size, started alternately in the same run, each
// telling the moment of its first paint through the start-up probe. Both run on the same Qt
// platform (offscreen unless the environment names one) and, where pulseaudio is installed,
// with a private sound server, as a desktop would have one.
#include "PulseServer.h"
#include "QtPath.h"
#include "TestSupport.h"
#include "shell/StartupProbe.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

// Seconds from fork to the probe's line; the process is waited for afterwards.
double timeToShown(const std::vector<std::string>& argv) {
    int out[2];
    if (pipe(out) != 0)
        throw std::runtime_error("pipe");
    const auto start = Clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(out[1], STDOUT_FILENO);
        close(out[0]);
        close(out[1]);
        std::vector<char*> args;
        for (const std::string& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execv(args[0], args.data());
        _exit(127);
    }
    close(out[1]);
    std::string seen;
    char c;
    while (seen.find("shown\n") == std::string::npos && read(out[0], &c, 1) == 1)
        seen += c;
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    close(out[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (seen.find("shown\n") == std::string::npos)
        throw std::runtime_error(argv[0] + " ended without showing its window");
    return seconds;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void BM_StartToShownVsBareWindow(benchmark::State& state) {
    using namespace ws::test;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv(ws::StartupProbeVariable, "1", 1);
    std::unique_ptr<PulseServer> server;
    if (!PulseServer::program().empty()) {
        server = std::make_unique<PulseServer>(std::vector<PulseServer::Sink>{{"bench", "Bench"}});
        if (server->running())
            server->useForThisProcess();
    }
    // A copy of the program with its settings beside it, as a user who has run it before
    // has them.
    TempDir dir;
    const fs::path program = dir / "whistlestop";
    // WS_STARTUP_PROGRAM times another build of the program (an older one, to compare).
    const QByteArray other = qgetenv("WS_STARTUP_PROGRAM");
    fs::copy_file(other.isEmpty() ? fs::path(WS_PROGRAM) : fs::path(other.toStdString()), program);
    std::ofstream(dir / "whistlestop.ini")
        << "[OpenWith]\r\nTS2009dir=NotFound\r\nTS2010dir=NotFound\r\nTS12dir=NotFound\r\n";
    const std::vector<std::string> ours{program.string(), (demoDir() / "Diesel").string()};
    const std::vector<std::string> bare{WS_BARE_WINDOW};
    // One of each first, so that both find the libraries in the page cache.
    timeToShown(ours);
    timeToShown(bare);

    std::vector<double> oursTimes, bareTimes;
    for (auto _ : state) {
        // Alternate which starts first, so neither always follows the other's exit.
        const bool oursFirst = oursTimes.size() % 2 == 0;
        const double a = timeToShown(oursFirst ? ours : bare);
        const double b = timeToShown(oursFirst ? bare : ours);
        oursTimes.push_back(oursFirst ? a : b);
        bareTimes.push_back(oursFirst ? b : a);
        state.SetIterationTime(oursTimes.back());
    }
    state.counters["program_ms"] = median(oursTimes) * 1000;
    state.counters["bare_ms"] = median(bareTimes) * 1000;
    state.counters["ratio"] = median(oursTimes) / median(bareTimes);
}
BENCHMARK(BM_StartToShownVsBareWindow)
    ->UseManualTime()
    ->Iterations(15)
    ->Unit(benchmark::kMillisecond);

} // namespace
