// Shared test helpers; see TestSupport.h.
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <sndfile.h>
#include <stdexcept>

namespace fs = std::filesystem;

namespace ws::test {

fs::path demoDir() {
    return fs::path(WS_DEMO_DIR);
}

fs::path corpusDir() {
    fs::path dir(WS_CORPUS_DIR);
    std::error_code ec;
    return fs::is_directory(dir, ec) ? fs::canonical(dir) : fs::path();
}

TempDir::TempDir() {
    std::random_device rd;
    auto base = fs::temp_directory_path();
    for (;;) {
        path_ = base / ("ws-test-" + std::to_string(rd()));
        if (fs::create_directory(path_))
            break;
    }
}

TempDir::~TempDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
}

void writeWav(const fs::path& file, int channels, int rate, int bits,
              const std::vector<int16_t>& samples) {
    SF_INFO info{};
    info.channels = channels;
    info.samplerate = rate;
    info.format = SF_FORMAT_WAV | (bits == 8 ? SF_FORMAT_PCM_U8 : SF_FORMAT_PCM_16);
    fs::create_directories(file.parent_path());
    SNDFILE* sf = sf_open(file.c_str(), SFM_WRITE, &info);
    if (!sf)
        throw std::runtime_error("cannot write " + file.string() + ": " + sf_strerror(nullptr));
    sf_write_short(sf, samples.data(), static_cast<sf_count_t>(samples.size()));
    sf_close(sf);
}

std::vector<int16_t> waveLeft(const fs::path& file) {
    SF_INFO info{};
    SNDFILE* sf = sf_open(file.c_str(), SFM_READ, &info);
    if (!sf)
        return {};
    std::vector<int16_t> frames(static_cast<std::size_t>(info.frames * info.channels));
    frames.resize(static_cast<std::size_t>(
        sf_read_short(sf, frames.data(), static_cast<sf_count_t>(frames.size()))));
    sf_close(sf);
    std::vector<int16_t> left(frames.size() / std::size_t(info.channels));
    for (std::size_t i = 0; i < left.size(); ++i)
        left[i] = frames[i * std::size_t(info.channels)];
    return left;
}

void touch(const fs::path& file) {
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::app).flush();
}

void ScopedEnv::set(const char* name, const std::string& value) {
    const char* old = std::getenv(name);
    saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
    ::setenv(name, value.c_str(), 1);
}

ScopedEnv::~ScopedEnv() {
    for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
        if (it->second)
            ::setenv(it->first.c_str(), it->second->c_str(), 1);
        else
            ::unsetenv(it->first.c_str());
    }
}

uint64_t declaredWaveDataBytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    char riff[12];
    in.read(riff, 12);
    EXPECT_EQ(std::string(riff, 4), "RIFF");
    uint32_t riffSize;
    std::memcpy(&riffSize, riff + 4, 4);
    EXPECT_EQ(uint64_t(riffSize) + 8, std::filesystem::file_size(file)) << "RIFF size";
    char chunk[8];
    while (in.read(chunk, 8)) {
        uint32_t size;
        std::memcpy(&size, chunk + 4, 4);
        if (std::string(chunk, 4) == "data")
            return size;
        in.seekg(size + (size & 1), std::ios::cur);
    }
    ADD_FAILURE() << "no data chunk in " << file;
    return 0;
}

} // namespace ws::test
