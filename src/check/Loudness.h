// Loudness (EBU R128) as heard through the player's two speakers, fed block by block in the
// measuring pass: integrated over the file, and momentary over its first and last 400 ms.
// The player sends a mono file to both speakers at full level, so a mono channel counts
// twice (the meter's dual mono): the same signal measures the same as a mono and as a stereo
// file.
#pragma once

#include "check/AudioMeasure.h"

#include <ebur128.h>

#include <cstddef>
#include <cstdint>
#include <memory>

namespace ws::check {

// `Sample` is short or float, as the file is read.
template <typename Sample> class LoudnessMeter {
public:
    // No meter (every figure NoLoudness) for a format it cannot take.
    LoudnessMeter(std::size_t channels, int64_t rate);

    // The next `n` interleaved frames; may set the head's figure.
    void add(const Sample* frames, std::size_t n, AudioMeasure& m);
    // Fills lufs and tailLufs (and headLufs for a file shorter than 400 ms).
    void finish(AudioMeasure& m) const;

private:
    void addToMeter(const Sample* frames, std::size_t n);

    struct Closer {
        void operator()(ebur128_state* meter) const;
    };
    std::unique_ptr<ebur128_state, Closer> meter_;
    std::size_t channels_;
    int64_t rate_;
    // The meter's own momentary window, (rate / 10 rounded) x 4, so that the head's figure
    // covers exactly the first full window.
    int64_t window_;
    int64_t frames_ = 0;
};

} // namespace ws::check
