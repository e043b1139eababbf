// The file's typical step: the 99th percentile of |x[n+1] - x[n]| within each channel
// (nearest rank, exact), gathered block by block in the measuring pass. Float files take a
// second pass over the same frames to pin the value down (StepHistogram.h).
#pragma once

#include "check/StepHistogram.h"

#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <vector>

namespace ws::check {

// `Sample` is short (one code = 1/32768 of full scale) or float (full scale 1.0).
template <typename Sample> class TypicalStep {
public:
    explicit TypicalStep(std::size_t channels);

    // The next `n` interleaved frames of the file.
    void scan(const Sample* frames, std::size_t n);

    // Float files: call restart(), then refine() with every frame of the file once more.
    bool wantsSecondPass() const { return !std::is_integral_v<Sample> && steps() > 0; }
    void restart();
    void refine(const Sample* frames, std::size_t n);

    double value() const; // in units of full scale

private:
    using Steps = std::conditional_t<std::is_integral_v<Sample>, CodeSteps, FloatSteps>;
    uint64_t steps() const { return frames_ > 1 ? uint64_t(frames_ - 1) * prev_.size() : 0; }

    std::vector<Sample> prev_; // each channel's last sample so far
    Steps histogram_;
    int64_t frames_ = 0;
    int64_t refined_ = 0;
};

} // namespace ws::check
