// The recording tap's ring; see OutputTap.h.
#include "OutputTap.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace ws {

namespace {

std::size_t ringBytes(const WaveFormat& format, double seconds) {
    const std::size_t frame = std::max<std::size_t>(format.nBlockAlign, 1);
    const auto frames =
        static_cast<std::size_t>(std::ceil(std::max(seconds, 0.01) * format.nSamplesPerSec)) + 1;
    return frames * frame;
}

bool sameLayout(const WaveFormat& a, const WaveFormat& b) {
    return a.nChannels == b.nChannels && a.nSamplesPerSec == b.nSamplesPerSec &&
           a.wBitsPerSample == b.wBitsPerSample;
}

} // namespace

OutputTap::OutputTap(const WaveFormat& format, double seconds)
    : format_(format), capacity_(ringBytes(format, seconds)),
      ring_(std::make_unique<uint8_t[]>(capacity_)) {}

void OutputTap::publish(const WaveFormat& output, const void* bytes, std::size_t frames) noexcept {
    if (frames == 0 || closed_.load(std::memory_order_acquire))
        return;
    if (!sameLayout(output, format_)) {
        formatChanged_.store(true, std::memory_order_relaxed);
        return;
    }
    if (producing_.test_and_set(std::memory_order_acquire)) {
        dropped_.fetch_add(frames, std::memory_order_relaxed);
        return;
    }
    const std::size_t frameBytes = format_.nBlockAlign;
    const uint64_t head = head_.load(std::memory_order_relaxed);
    const uint64_t tail = tail_.load(std::memory_order_acquire);
    const std::size_t room = (capacity_ - static_cast<std::size_t>(head - tail)) / frameBytes;
    const std::size_t taken = std::min(frames, room);
    std::size_t n = taken * frameBytes;
    const auto* from = static_cast<const uint8_t*>(bytes);
    std::size_t at = static_cast<std::size_t>(head % capacity_);
    while (n > 0) {
        const std::size_t part = std::min(n, capacity_ - at);
        std::memcpy(ring_.get() + at, from, part);
        from += part;
        n -= part;
        at = 0;
    }
    head_.store(head + taken * frameBytes, std::memory_order_release);
    if (taken < frames)
        dropped_.fetch_add(frames - taken, std::memory_order_relaxed);
    producing_.clear(std::memory_order_release);
}

std::size_t OutputTap::read(void* out, std::size_t maxBytes) {
    const std::size_t frameBytes = std::max<std::size_t>(format_.nBlockAlign, 1);
    const uint64_t tail = tail_.load(std::memory_order_relaxed);
    const uint64_t head = head_.load(std::memory_order_acquire);
    const std::size_t total =
        std::min(static_cast<std::size_t>(head - tail), maxBytes / frameBytes * frameBytes);
    auto* to = static_cast<uint8_t*>(out);
    std::size_t n = total;
    std::size_t at = static_cast<std::size_t>(tail % capacity_);
    while (n > 0) {
        const std::size_t part = std::min(n, capacity_ - at);
        std::memcpy(to, ring_.get() + at, part);
        to += part;
        n -= part;
        at = 0;
    }
    tail_.store(tail + total, std::memory_order_release);
    return total;
}

} // namespace ws
