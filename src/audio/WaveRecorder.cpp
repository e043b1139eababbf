// The recording's file and writer thread; see WaveRecorder.h.
#include "WaveRecorder.h"

#include "SndfileOpen.h"

#include <chrono>
#include <cstring>
#include <vector>

namespace ws {

namespace {

// How often the writer looks into the tap: well within the ring's seconds, and a little
// less than a device period, so a recording stopped at once has little left to write.
constexpr auto Poll = std::chrono::milliseconds(40);
constexpr std::size_t ReadBytes = 64 * 1024;

} // namespace

WaveRecorder::WaveRecorder(const std::string& path, const WaveFormat& device)
    : path_(path), tap_(std::make_shared<OutputTap>(device, RingSeconds)) {
    if (device.nChannels == 0 || device.nSamplesPerSec == 0 ||
        (device.wBitsPerSample != 8 && device.wBitsPerSample != 16))
        throw RecordingError("Cannot record output of " + std::to_string(device.wBitsPerSample) +
                             "-bit samples.");
    SF_INFO info{};
    info.samplerate = static_cast<int>(device.nSamplesPerSec);
    info.channels = device.nChannels;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    const SndfileOpenResult opened = openSndfile(path, SFM_WRITE, info);
    file_ = opened.file;
    if (!file_)
        throw RecordingError("Cannot create the recording \"" + path + "\": " + opened.reason);
    // Every write brings the header up to date, so the file is whole at any moment.
    sf_command(file_, SFC_SET_UPDATE_HEADER_AUTO, nullptr, SF_TRUE);
    writer_ = std::thread([this] { run(); });
}

WaveRecorder::~WaveRecorder() {
    finish();
}

void WaveRecorder::finish() {
    if (writer_.joinable()) {
        {
            std::lock_guard lock(mutex_);
            stop_ = true;
        }
        wake_.notify_all();
        writer_.join();
    }
    tap_->close();
    if (file_) {
        // Closing writes the header a last time, and may fail as any write.
        const int code = sf_close(file_);
        file_ = nullptr;
        if (code != SF_ERR_NO_ERROR && !failed())
            fail(sf_error_number(code));
    }
}

double WaveRecorder::secondsWritten() const {
    return double(framesWritten()) / double(tap_->format().nSamplesPerSec);
}

std::string WaveRecorder::failure() const {
    std::lock_guard lock(mutex_);
    return failure_;
}

void WaveRecorder::run() {
    for (;;) {
        bool stopping;
        {
            std::unique_lock lock(mutex_);
            wake_.wait_for(lock, Poll, [this] { return stop_; });
            stopping = stop_;
        }
        if (!drain() || stopping)
            return;
    }
}

bool WaveRecorder::drain() {
    const WaveFormat& format = tap_->format();
    const bool eightBit = format.wBitsPerSample == 8;
    std::vector<uint8_t> bytes(ReadBytes);
    std::vector<int16_t> samples;
    for (;;) {
        const std::size_t n = tap_->read(bytes.data(), bytes.size());
        if (n == 0)
            return true;
        if (eightBit) {
            samples.resize(n);
            for (std::size_t i = 0; i < n; ++i)
                samples[i] = static_cast<int16_t>((int(bytes[i]) - 128) * 256);
        } else {
            samples.resize(n / 2);
            std::memcpy(samples.data(), bytes.data(), n);
        }
        const auto count = static_cast<sf_count_t>(samples.size());
        if (dataBytes_ + samples.size() * 2 > MaxDataBytes) {
            fail("it reached the 4 GB a wave file can hold");
            return false;
        }
        const sf_count_t done = sf_write_short(file_, samples.data(), count);
        if (done > 0) {
            dataBytes_ += static_cast<uint64_t>(done) * 2;
            written_.store(dataBytes_ / 2 / format.nChannels, std::memory_order_relaxed);
        }
        if (done != count) {
            const int code = sf_error(file_);
            fail(code != SF_ERR_NO_ERROR ? sf_strerror(file_) : "the file took no more data");
            return false;
        }
    }
}

void WaveRecorder::fail(const std::string& reason) {
    tap_->close();
    {
        std::lock_guard lock(mutex_);
        failure_ = reason;
    }
    failed_.store(true, std::memory_order_release);
}

} // namespace ws
