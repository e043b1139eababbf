// A manual device and helpers to fill buffers and read rendered output, for the mixer tests.
#pragma once

#include "audio/ManualSoundSystem.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

namespace ws::test {

struct MixRig {
    ManualSoundSystem system;
    std::unique_ptr<SoundDevice> device;
    ManualDevice* manual = nullptr;

    explicit MixRig(uint32_t rate = 44100, uint16_t channels = 2, uint16_t bits = 16) {
        EXPECT_EQ(system.createDevice("", &device), DeviceResult::Ok);
        EXPECT_EQ(device->setPrimaryFormat(WaveFormat::pcm(channels, rate, bits)),
                  DeviceResult::Ok);
        manual = system.current();
    }

    // A buffer holding `bytes` exactly (whole frames of `format`).
    std::unique_ptr<SoundBuffer> buffer(const WaveFormat& format, const void* bytes,
                                        uint32_t size) {
        std::unique_ptr<SoundBuffer> b;
        EXPECT_EQ(device->createSoundBuffer(format, size, &b), DeviceResult::Ok);
        if (!b)
            return b;
        write(*b, 0, bytes, size);
        return b;
    }
    std::unique_ptr<SoundBuffer> buffer16(const std::vector<int16_t>& samples, uint16_t channels,
                                          uint32_t rate) {
        return buffer(WaveFormat::pcm(channels, rate, 16), samples.data(),
                      static_cast<uint32_t>(samples.size() * 2));
    }

    static void write(SoundBuffer& b, uint32_t offset, const void* bytes, uint32_t size) {
        void *p1 = nullptr, *p2 = nullptr;
        uint32_t n1 = 0, n2 = 0;
        ASSERT_EQ(b.lock(offset, size, &p1, &n1, &p2, &n2), DeviceResult::Ok);
        std::memcpy(p1, bytes, n1);
        if (n2)
            std::memcpy(p2, static_cast<const uint8_t*>(bytes) + n1, n2);
        ASSERT_EQ(b.unlock(p1, n1, p2, n2), DeviceResult::Ok);
    }

    WaveFormat output() const {
        WaveFormat f;
        device->primaryFormat(&f);
        return f;
    }
    std::vector<float> renderFloat(std::size_t frames) {
        std::vector<float> out(frames * output().nChannels);
        manual->renderFloat(out.data(), frames);
        return out;
    }
    std::vector<int16_t> render16(std::size_t frames) {
        std::vector<int16_t> out(frames * output().nChannels);
        manual->render(out.data(), frames);
        return out;
    }
    uint32_t cursor(const SoundBuffer& b) const {
        uint32_t c = 0xFFFFFFFF;
        EXPECT_EQ(b.currentPosition(&c), DeviceResult::Ok);
        return c;
    }
};

} // namespace ws::test
