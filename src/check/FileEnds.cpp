// The ring of last frames is written a whole frame at a time.
#include "check/FileEnds.h"

#include <algorithm>
#include <type_traits>

namespace ws::check {

template <typename Sample> void EndKeeper<Sample>::add(const Sample* frames, std::size_t n) {
    const std::size_t kept = head_.size() / channels_;
    if (kept < count_)
        head_.insert(head_.end(), frames, frames + std::min(n, count_ - kept) * channels_);
    for (std::size_t f = n > count_ ? n - count_ : 0; f < n; ++f) {
        const Sample* frame = frames + f * channels_;
        if (tail_.size() < count_ * channels_) {
            tail_.insert(tail_.end(), frame, frame + channels_);
        } else {
            std::copy_n(frame, channels_, tail_.begin() + std::ptrdiff_t(next_ * channels_));
            if (++next_ == count_)
                next_ = 0;
        }
    }
}

template <typename Sample> FileEnds EndKeeper<Sample>::ends() const {
    constexpr double scale = std::is_integral_v<Sample> ? 1.0 / 32768 : 1.0;
    FileEnds e;
    e.channels = channels_;
    e.head.reserve(head_.size());
    for (Sample x : head_)
        e.head.push_back(double(x) * scale);
    e.tail.reserve(tail_.size());
    const auto oldest = tail_.begin() + std::ptrdiff_t(next_ * channels_);
    for (auto it = oldest; it != tail_.end(); ++it)
        e.tail.push_back(double(*it) * scale);
    for (auto it = tail_.begin(); it != oldest; ++it)
        e.tail.push_back(double(*it) * scale);
    return e;
}

template class EndKeeper<short>;
template class EndKeeper<float>;

} // namespace ws::check
