// Helpers shared by the test suites: where the demo sets and the real-world corpus live,
// scratch folders, and small WAV writers for generated test files.
#pragma once

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace ws::test {

// The generated demo sound sets (built by the demo_sets target).
std::filesystem::path demoDir();

// The shared corpus of real-world audio files, or an empty path when it is absent
// (a plain clone has none); callers GTEST_SKIP() with a message then.
std::filesystem::path corpusDir();

// A fresh, empty folder removed again when the object goes out of scope.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

// Writes a PCM WAV file through libsndfile. `samples` are interleaved; for 8-bit files
// they are given as 16-bit values and narrowed by libsndfile.
void writeWav(const std::filesystem::path& file, int channels, int rate, int bits,
              const std::vector<int16_t>& samples);

// The left side (or only channel) of a 16-bit wave file's samples; empty when unreadable.
std::vector<int16_t> waveLeft(const std::filesystem::path& file);

// Sets environment variables for one test and puts the old values back afterwards.
class ScopedEnv {
public:
    ScopedEnv() = default;
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;
    void set(const char* name, const std::string& value);

private:
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

// The data size a wave file's header declares, read from its chunks (readers differ on a
// data chunk that says it is empty); checks that the RIFF size matches the file's.
uint64_t declaredWaveDataBytes(const std::filesystem::path& file);

// Creates an empty file (and its parent folders), for tests that only need a name to exist.
void touch(const std::filesystem::path& file);

// One busy thread per core while it exists, as `yes > /dev/null` on each core would be: the
// load a sound must hold up under.
class BusyLoops {
public:
    BusyLoops() : threads_(std::max(1u, std::thread::hardware_concurrency())) {
        for (std::jthread& t : threads_)
            t = std::jthread([](std::stop_token stop) {
                while (!stop.stop_requested()) {
                }
            });
    }

private:
    std::vector<std::jthread> threads_;
};

} // namespace ws::test
