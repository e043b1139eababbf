// Levels and silence: the peak, the DC offset, clipped runs and the silence at either end of
// a file, gathered block by block in the measuring pass. Silence is judged against the
// file's own resolution (silenceLevelFor).
#pragma once

#include "audio/WaveFormat.h"
#include "check/AudioMeasure.h"

#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <vector>

namespace ws::check {

// pcmSilenceLevel for PCM files, SilenceLevel for the others (float files have no codes).
double silenceLevelFor(const WaveFormat& format);

// `Sample` is short (one code = 1/32768 of full scale) or float (full scale 1.0).
template <typename Sample> class SampleLevels {
public:
    // `silenceLevel` in units of full scale: a sample above it is sound.
    SampleLevels(const WaveFormat& format, double silenceLevel);

    // The next `n` interleaved frames, starting at frame `at` of the file.
    void scan(const Sample* frames, std::size_t n, int64_t at);

    // Fills peak, dcOffset, clippedRuns, silent and the silence at the ends.
    void finish(AudioMeasure& m, int64_t frames) const;

private:
    static constexpr bool Integral = std::is_integral_v<Sample>;
    using Level = std::conditional_t<Integral, int, float>;
    using Sum = std::conditional_t<Integral, int64_t, double>;

    struct ChannelState {
        Sum sum = 0;
        int clipRun = 0;
        int clipSign = 0;
    };

    std::vector<ChannelState> state_;
    Level silent_;
    Sample clipHigh_ = 0;
    Sample clipLow_ = 0;
    Level peak_ = 0;
    int clippedRuns_ = 0;
    int64_t firstLoud_ = -1;
    int64_t lastLoud_ = -1;
};

} // namespace ws::check
