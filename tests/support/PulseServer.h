// A private PulseAudio server for tests that need a real sound server: its own runtime
// folder, socket and home, null sinks with the given names and descriptions, and helpers to
// record a sink's monitor and to make the server vanish. Nothing of the user's own sound
// setup is touched; the server dies with the test process.
#pragma once

#include "TestSupport.h"

#include <cstdint>
#include <memory>
#include <string>
#include <sys/types.h>
#include <vector>

namespace ws::test {

class PulseServer {
public:
    struct Sink {
        std::string name;
        std::string description;
    };

    // Starts the server with one null sink (16-bit stereo, 44100 Hz) per entry and waits
    // until it answers. running() is false, with the reason in error(), when pulseaudio is
    // not installed or does not come up.
    explicit PulseServer(std::vector<Sink> sinks);
    ~PulseServer();
    PulseServer(const PulseServer&) = delete;
    PulseServer& operator=(const PulseServer&) = delete;

    // The pulseaudio program's path, or empty when it is not installed.
    static std::string program();

    bool running() const { return pid_ > 0; }
    const std::string& error() const { return error_; }
    // "unix:<socket>", the value for PULSE_SERVER.
    std::string address() const;
    // Points this process's sound clients at the server (PULSE_SERVER, and
    // SDL_AUDIODRIVER=pulseaudio).
    void useForThisProcess() const;
    // Runs pactl on the server; returns its exit status (-1 if it did not end within 10 s)
    // and its output.
    int pactl(const std::vector<std::string>& args, std::string* out = nullptr) const;
    // The worst latency the server reports for the first stream playing to it (buffer plus
    // sink, in microseconds) over 1.5 s once settled; -1 when no stream plays. A null sink
    // first plays out the two seconds it rendered ahead (a card's sink rewinds instead).
    long settledStreamLatencyUs() const;
    // Stops the server for `seconds`, as a machine too busy to run it would.
    void freeze(double seconds);
    // Kills the server outright, as when a sound server crashes.
    void kill();
    // Starts the server again after kill(), at the same address with the same sinks.
    bool restart();
    // Removes the null sink `name` from the running server, as when a headset is pulled,
    // and adds a sink back, as when it is plugged in again.
    bool unloadSink(const std::string& name);
    bool loadSink(const Sink& sink);

    // A running `parec` on a sink's monitor, 16-bit stereo at 44100 Hz, read through a pipe
    // as it arrives.
    class Recording {
    public:
        Recording(pid_t pid, int fd);
        ~Recording();
        Recording(const Recording&) = delete;
        Recording& operator=(const Recording&) = delete;
        // Waits until `frames` frames have arrived (true) or `seconds` have passed.
        bool waitFor(std::size_t frames, double seconds);
        // Ends the recording and returns what arrived, interleaved.
        std::vector<int16_t> stop();

    private:
        struct Reader;
        pid_t pid_;
        std::unique_ptr<Reader> reader_;
    };
    std::unique_ptr<Recording> record(const std::string& sink) const;

private:
    // Runs a program with the server's environment, standard output to `outFd`, standard
    // error to `errFd`.
    pid_t spawn(const std::vector<std::string>& argv, int outFd, int errFd) const;
    pid_t spawn(const std::vector<std::string>& argv, const std::filesystem::path& out,
                bool errorsToo) const;
    std::vector<std::string> environment() const;
    void start();
    static std::string sinkModule(const Sink& sink);

    std::vector<Sink> sinks_;
    TempDir dir_;
    pid_t pid_ = -1;
    std::string error_;
    mutable int files_ = 0;
};

// Waits for a child for up to `seconds`; its exit status, or -1 after killing it.
int waitForChild(pid_t pid, double seconds);

} // namespace ws::test
