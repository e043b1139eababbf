// The PCM format record shared by the decoder, the sound device layer and the channels.
// Field names follow the wave-file header they describe.
#pragma once

#include <cstdint>

namespace ws {

inline constexpr uint16_t WaveFormatPcm = 1;

struct WaveFormat {
    uint16_t wFormatTag = WaveFormatPcm;
    uint16_t nChannels = 0;
    uint32_t nSamplesPerSec = 0;
    uint32_t nAvgBytesPerSec = 0;
    uint16_t nBlockAlign = 0;
    uint16_t wBitsPerSample = 0;
    uint16_t cbSize = 0;

    // A consistent PCM record for the given layout.
    static WaveFormat pcm(uint16_t channels, uint32_t rate, uint16_t bits) {
        WaveFormat f;
        f.nChannels = channels;
        f.nSamplesPerSec = rate;
        f.wBitsPerSample = bits;
        f.nBlockAlign = static_cast<uint16_t>(channels * bits / 8);
        f.nAvgBytesPerSec = rate * f.nBlockAlign;
        return f;
    }

    friend bool operator==(const WaveFormat&, const WaveFormat&) = default;
};

} // namespace ws
