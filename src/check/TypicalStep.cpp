// Steps are taken channel by channel so that a channel's previous sample stays in a register
// through the inner loop.
#include "check/TypicalStep.h"

#include <algorithm>

namespace ws::check {

template <typename Sample>
TypicalStep<Sample>::TypicalStep(std::size_t channels) : prev_(channels) {}

template <typename Sample> void TypicalStep<Sample>::scan(const Sample* frames, std::size_t n) {
    const std::size_t channels = prev_.size();
    if (n == 0)
        return;
    std::size_t from = 0;
    if (frames_ == 0) {
        // The file's first frame has no step before it.
        std::copy_n(frames, channels, prev_.begin());
        from = 1;
    }
    uint64_t* counts = histogram_.data();
    std::size_t end = 0;
    for (std::size_t c = 0; c < channels; ++c) {
        Sample prev = prev_[c];
        for (std::size_t f = from; f < n; ++f) {
            const Sample x = frames[f * channels + c];
            const std::size_t i = Steps::index(x, prev);
            ++counts[i];
            end = std::max(end, i + 1);
            prev = x;
        }
        prev_[c] = prev;
    }
    histogram_.touched(end);
    frames_ += static_cast<int64_t>(n);
}

template <typename Sample> void TypicalStep<Sample>::restart() {
    if constexpr (!std::is_integral_v<Sample>)
        histogram_.locate(steps());
    refined_ = 0;
}

template <typename Sample> void TypicalStep<Sample>::refine(const Sample* frames, std::size_t n) {
    if constexpr (!std::is_integral_v<Sample>) {
        const std::size_t channels = prev_.size();
        // Only the frames the first pass counted: a file that grew since adds nothing.
        n = static_cast<std::size_t>(std::min<int64_t>(int64_t(n), frames_ - refined_));
        std::size_t from = 0;
        if (refined_ == 0 && n > 0) {
            std::copy_n(frames, channels, prev_.begin());
            from = 1;
        }
        for (std::size_t f = from; f < n; ++f) {
            for (std::size_t c = 0; c < channels; ++c) {
                const Sample x = frames[f * channels + c];
                histogram_.refine(x, prev_[c]);
                prev_[c] = x;
            }
        }
        refined_ += static_cast<int64_t>(n);
    }
}

template <typename Sample> double TypicalStep<Sample>::value() const {
    return histogram_.value(steps(), std::is_integral_v<Sample> ? 1.0 / 32768 : 1.0);
}

template class TypicalStep<short>;
template class TypicalStep<float>;

} // namespace ws::check
