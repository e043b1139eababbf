// The slot table, the mixing pass and the quantisation to the device format.
#include "SoftwareMixer.h"

#include "GainRamp.h"
#include "OutputTap.h"
#include "SecondaryBuffer.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <new>
#include <thread>
#include <utility>

namespace ws {

std::shared_ptr<SoftwareMixer> SoftwareMixer::create(const WaveFormat& output) {
    return std::make_shared<SoftwareMixer>(output);
}

SoftwareMixer::SoftwareMixer(const WaveFormat& output) {
    setOutputFormat(output);
}

SoftwareMixer::~SoftwareMixer() = default;

WaveFormat SoftwareMixer::outputFormat() const {
    return WaveFormat::pcm(static_cast<uint16_t>(channels_.load(std::memory_order_relaxed)),
                           rate_.load(std::memory_order_relaxed),
                           static_cast<uint16_t>(bits_.load(std::memory_order_relaxed)));
}

void SoftwareMixer::setOutputFormat(const WaveFormat& output) {
    std::lock_guard lock(controlMutex_);
    const uint32_t rate = std::clamp<uint32_t>(output.nSamplesPerSec, 1, 1000000);
    channels_.store(std::clamp<uint32_t>(output.nChannels, 1, MaxOutputChannels),
                    std::memory_order_relaxed);
    bits_.store(output.wBitsPerSample == 8 ? 8 : 16, std::memory_order_relaxed);
    rampLength_.store(rampFrames(rate), std::memory_order_relaxed);
    if (rate != rate_.load(std::memory_order_relaxed)) {
        rate_.store(rate, std::memory_order_relaxed);
        const uint32_t limit = slotLimit_.load(std::memory_order_relaxed);
        for (uint32_t i = 0; i < limit; ++i)
            if (SecondaryBuffer* b = slots_[i].load(std::memory_order_relaxed))
                b->updateStep(rate);
    }
}

int32_t SoftwareMixer::createBuffer(const WaveFormat& format, uint32_t bytes,
                                    std::unique_ptr<SoundBuffer>* out) {
    if (!out)
        return DeviceResult::InvalidParam;
    if (!supportedBufferFormat(format))
        return DeviceResult::BadFormat;
    if (bytes == 0 || bytes > MaxBufferBytes || bytes % format.nBlockAlign != 0)
        return DeviceResult::InvalidParam;
    if (lost())
        return DeviceResult::NoDriver;
    try {
        auto buffer = std::make_unique<SecondaryBuffer>(shared_from_this(), format, bytes);
        if (!attach(buffer.get()))
            return DeviceResult::OutOfMemory;
        *out = std::move(buffer);
        return DeviceResult::Ok;
    } catch (const std::bad_alloc&) {
        return DeviceResult::OutOfMemory;
    }
}

bool SoftwareMixer::lost() const {
    if (lost_.load(std::memory_order_acquire))
        return true;
    std::lock_guard lock(probeMutex_);
    if (probe_ && probe_())
        lost_.store(true, std::memory_order_release);
    return lost_.load(std::memory_order_acquire);
}

void SoftwareMixer::markLost() {
    lost_.store(true, std::memory_order_release);
}

void SoftwareMixer::setLossProbe(std::function<bool()> probe) {
    std::lock_guard lock(probeMutex_);
    probe_ = std::move(probe);
}

void SoftwareMixer::setTap(std::shared_ptr<OutputTap> tap) {
    std::shared_ptr<OutputTap> previous;
    {
        std::lock_guard lock(controlMutex_);
        tap_.store(tap.get(), std::memory_order_seq_cst);
        previous = std::exchange(tapOwner_, std::move(tap));
    }
    // A render that loaded the old pointer before the store counts itself in first.
    for (int spins = 0; tapUsers_.load(std::memory_order_seq_cst) != 0; ++spins) {
        if (spins < 64)
            std::this_thread::yield();
        else
            std::this_thread::sleep_for(std::chrono::microseconds(50));
    }
}

bool SoftwareMixer::attach(SecondaryBuffer* buffer) {
    std::lock_guard lock(controlMutex_);
    for (uint32_t i = 0; i < MaxBuffers; ++i) {
        if (slots_[i].load(std::memory_order_relaxed) == nullptr) {
            buffer->slot = static_cast<int>(i);
            buffer->updateStep(rate_.load(std::memory_order_relaxed));
            slots_[i].store(buffer, std::memory_order_seq_cst);
            if (i >= slotLimit_.load(std::memory_order_relaxed))
                slotLimit_.store(i + 1, std::memory_order_seq_cst);
            return true;
        }
    }
    return false;
}

void SoftwareMixer::detach(SecondaryBuffer* buffer) {
    {
        std::lock_guard lock(controlMutex_);
        if (buffer->slot < 0)
            return;
        slots_[static_cast<std::size_t>(buffer->slot)].store(nullptr, std::memory_order_seq_cst);
        buffer->slot = -1;
    }
    // A pass that loaded the pointer before it was cleared may still be using it.
    waitForPass();
}

void SoftwareMixer::waitForPass() const {
    const uint64_t seq = passSeq_.load(std::memory_order_seq_cst);
    if ((seq & 1) == 0)
        return;
    for (int spins = 0; passSeq_.load(std::memory_order_acquire) == seq; ++spins) {
        if (spins < 64)
            std::this_thread::yield();
        else
            std::this_thread::sleep_for(std::chrono::microseconds(50));
    }
}

bool SoftwareMixer::settle() const {
    const double seconds = 2.0 * period_.load(std::memory_order_relaxed) /
                           std::max<uint32_t>(rate_.load(std::memory_order_relaxed), 1);
    return fades_.settle(std::chrono::duration_cast<std::chrono::nanoseconds>(
        std::chrono::duration<double>(seconds)));
}

void SoftwareMixer::mix(float* out, std::size_t frames) {
    mixFrames(out, frames);
    fades_.endPass();
}

void SoftwareMixer::mixFrames(float* out, std::size_t frames) {
    const uint32_t channels = channels_.load(std::memory_order_relaxed);
    const uint32_t rampLength = rampLength_.load(std::memory_order_relaxed);
    while (frames > 0) {
        const std::size_t n = std::min(frames, Chunk);
        std::fill_n(mixL_, n, 0.0f);
        std::fill_n(mixR_, n, 0.0f);

        passSeq_.fetch_add(1, std::memory_order_seq_cst);
        const uint32_t limit = slotLimit_.load(std::memory_order_seq_cst);
        for (uint32_t i = 0; i < limit; ++i)
            if (SecondaryBuffer* b = slots_[i].load(std::memory_order_seq_cst))
                b->mixInto(mixL_, mixR_, n, tmpL_, tmpR_, rampLength);
        fades_.takeOrphans();
        passSeq_.fetch_add(1, std::memory_order_release);
        fades_.drainInto(mixL_, mixR_, n);

        auto clip = [](float x) { return std::clamp(x, -1.0f, 1.0f); };
        if (channels == 1) {
            for (std::size_t i = 0; i < n; ++i)
                out[i] = clip((mixL_[i] + mixR_[i]) * 0.5f);
        } else {
            for (std::size_t i = 0; i < n; ++i) {
                float* frame = out + i * channels;
                frame[0] = clip(mixL_[i]);
                frame[1] = clip(mixR_[i]);
                for (uint32_t c = 2; c < channels; ++c)
                    frame[c] = 0.0f;
            }
        }
        out += n * channels;
        frames -= n;
    }
}

void SoftwareMixer::render(void* out, std::size_t frames) {
    const uint32_t channels = channels_.load(std::memory_order_relaxed);
    const bool eightBit = bits_.load(std::memory_order_relaxed) == 8;
    auto* bytes = static_cast<uint8_t*>(out);
    const std::size_t total = frames;
    while (frames > 0) {
        const std::size_t n = std::min(frames, Chunk);
        mixFrames(quantise_, n);
        const std::size_t samples = n * channels;
        if (eightBit) {
            for (std::size_t i = 0; i < samples; ++i) {
                const long v = std::lrint(quantise_[i] * 128.0f) + 128;
                bytes[i] = static_cast<uint8_t>(std::clamp<long>(v, 0, 255));
            }
            bytes += samples;
        } else {
            for (std::size_t i = 0; i < samples; ++i) {
                const long v = std::clamp<long>(std::lrint(quantise_[i] * 32768.0f), -32768, 32767);
                const int16_t s = static_cast<int16_t>(v);
                std::memcpy(bytes + 2 * i, &s, 2);
            }
            bytes += 2 * samples;
        }
        frames -= n;
    }
    tapUsers_.fetch_add(1, std::memory_order_seq_cst);
    if (OutputTap* tap = tap_.load(std::memory_order_seq_cst))
        tap->publish(outputFormat(), out, total);
    tapUsers_.fetch_sub(1, std::memory_order_release);
    fades_.endPass();
}

} // namespace ws
