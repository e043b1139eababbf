// A copy of what a device hands its hardware, on its way to a recording: a byte ring that
// the output callback fills without waiting and one reader (the recording's writer thread)
// drains. Only bytes in the tap's own format go in; bytes in any other format (the device
// was reopened in another format) are refused and the change is flagged, so a recording
// never mixes two formats. When the ring is full, the callback drops what does not fit and
// counts the frames, rather than wait for the reader.
//
// Threads: publish comes from output callbacks, read and the counters from any one other
// thread. The ring is single-producer: a second callback that publishes while one is in
// publish (two devices overlapping for a moment) drops its bytes. head_ is written only by
// the producer, tail_ only by the reader; the bytes between them belong to whoever owns
// that side of the ring.
#pragma once

#include "WaveFormat.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace ws {

class OutputTap {
public:
    // Room for `seconds` of output in `format` (rounded up to whole frames).
    OutputTap(const WaveFormat& format, double seconds);
    OutputTap(const OutputTap&) = delete;
    OutputTap& operator=(const OutputTap&) = delete;

    const WaveFormat& format() const { return format_; }

    // Output callback: `frames` frames of `output` at `bytes`. Never waits or allocates.
    void publish(const WaveFormat& output, const void* bytes, std::size_t frames) noexcept;
    // Stops taking bytes for good (the recording has ended); what the ring holds stays
    // readable.
    void close() noexcept { closed_.store(true, std::memory_order_release); }

    // Reader: moves up to `maxBytes` (whole frames) out of the ring; returns the count.
    std::size_t read(void* out, std::size_t maxBytes);
    uint64_t droppedFrames() const { return dropped_.load(std::memory_order_relaxed); }
    // True once bytes in another format were offered.
    bool formatChanged() const { return formatChanged_.load(std::memory_order_relaxed); }

private:
    const WaveFormat format_;
    const std::size_t capacity_; // bytes, a whole number of frames
    const std::unique_ptr<uint8_t[]> ring_;
    std::atomic<uint64_t> head_{0}; // bytes ever written (producer)
    std::atomic<uint64_t> tail_{0}; // bytes ever read (reader)
    std::atomic_flag producing_ = ATOMIC_FLAG_INIT;
    std::atomic<bool> closed_{false};
    std::atomic<bool> formatChanged_{false};
    std::atomic<uint64_t> dropped_{0};
};

} // namespace ws
