// The meter is libebur128's; this file adds its limits, the gate under the momentary
// figures and the dual mono channel map.
#include "check/Loudness.h"

#include <ebur128.h>

#include <algorithm>
#include <cmath>
#include <new>

namespace ws::check {

namespace {

// The meter allocates 400 ms of history per channel up front; a header claiming a rate far
// beyond real audio would make that allocation huge for a file that holds little.
constexpr int64_t MaxMeterRate = 384'000;
constexpr std::size_t MaxMeterChannels = 64; // the meter's own limit

// The standard's absolute gate: blocks below it are silence to the integrated figure.
constexpr double AbsoluteGateLufs = -70.0;

double loudnessOrNone(double lufs) {
    // The meter gives -HUGE_VAL for digital silence, but a window of silence after sound
    // holds the decaying ring of its filter and reads as some -1300 LUFS; the momentary
    // figures take the integrated figure's gate so that both call that silence. NaN comes
    // from a float file's NaN samples.
    return std::isfinite(lufs) && lufs >= AbsoluteGateLufs ? lufs : NoLoudness;
}

} // namespace

template <typename Sample>
void LoudnessMeter<Sample>::Closer::operator()(ebur128_state* meter) const {
    ebur128_destroy(&meter);
}

template <typename Sample>
LoudnessMeter<Sample>::LoudnessMeter(std::size_t channels, int64_t rate)
    : channels_(channels), rate_(rate), window_((rate + 5) / 10 * 4) {
    if (rate <= 0 || rate > MaxMeterRate || channels == 0 || channels > MaxMeterChannels)
        return;
    meter_.reset(ebur128_init(static_cast<unsigned>(channels), static_cast<unsigned long>(rate),
                              EBUR128_MODE_I));
    if (meter_ && channels == 1)
        ebur128_set_channel(meter_.get(), 0, EBUR128_DUAL_MONO);
}

template <typename Sample>
void LoudnessMeter<Sample>::add(const Sample* frames, std::size_t n, AudioMeasure& m) {
    if (!meter_)
        return;
    // Split at the end of the first momentary window to read the head's loudness there.
    if (frames_ < window_ && frames_ + static_cast<int64_t>(n) >= window_) {
        const auto part = static_cast<std::size_t>(window_ - frames_);
        addToMeter(frames, part);
        double lufs = NoLoudness;
        if (ebur128_loudness_momentary(meter_.get(), &lufs) == EBUR128_SUCCESS)
            m.headLufs = loudnessOrNone(lufs);
        frames += part * channels_;
        n -= part;
    }
    addToMeter(frames, n);
}

template <typename Sample>
void LoudnessMeter<Sample>::addToMeter(const Sample* frames, std::size_t n) {
    if (n == 0)
        return;
    int result;
    if constexpr (std::is_integral_v<Sample>)
        result = ebur128_add_frames_short(meter_.get(), frames, n);
    else
        result = ebur128_add_frames_float(meter_.get(), frames, n);
    if (result != EBUR128_SUCCESS)
        throw std::bad_alloc(); // the meter's only failure while adding
    frames_ += static_cast<int64_t>(n);
}

template <typename Sample> void LoudnessMeter<Sample>::finish(AudioMeasure& m) const {
    if (!meter_ || frames_ == 0)
        return;
    double lufs = NoLoudness;
    if (ebur128_loudness_global(meter_.get(), &lufs) == EBUR128_SUCCESS)
        m.lufs = loudnessOrNone(lufs);
    if (frames_ >= window_) {
        if (ebur128_loudness_momentary(meter_.get(), &lufs) == EBUR128_SUCCESS)
            m.tailLufs = loudnessOrNone(lufs);
        return;
    }
    // Shorter than one window: head and tail are the whole file. The meter takes whole
    // milliseconds; below one it also sees a little of the silence before the start.
    const auto ms = static_cast<unsigned long>(std::max<int64_t>(1, frames_ * 1000 / rate_));
    if (ebur128_loudness_window(meter_.get(), ms, &lufs) == EBUR128_SUCCESS)
        m.headLufs = m.tailLufs = loudnessOrNone(lufs);
}

template class LoudnessMeter<short>;
template class LoudnessMeter<float>;

} // namespace ws::check
