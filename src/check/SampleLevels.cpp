// The statistics are taken channel by channel so that a channel's state stays in registers
// through the inner loop.
#include "check/SampleLevels.h"

#include <algorithm>
#include <cmath>

namespace ws::check {

namespace {

constexpr double ShortScale = 1.0 / 32768;

// Clipping, in full scale. The positive rail is the largest code of the delivered width:
// 16-bit samples are read as they are and 8-bit ones widened to v << 8, so it is 32767 or
// 32512 (127/128 of full scale). Wider integers are read as float scaled by 2^-(bits-1),
// which puts their largest code exactly on (2^(bits-1) - 1) / 2^(bits-1); for 32 bits that
// rounds to 1.0, as the library's own samples do. Float files have no largest code, so their
// rail is 1.0 itself. The negative rail is always full scale, -1.0.
double highRail(const WaveFormat& format) {
    if (format.wFormatTag != WaveFormatPcm || format.wBitsPerSample < 2)
        return 1.0;
    const int bits = std::min<int>(format.wBitsPerSample, 32);
    return static_cast<float>(1.0 - std::ldexp(1.0, 1 - bits));
}

// The largest level, in a sample type's own units, that is not above `level` of full scale
// (32 codes for 16-bit samples at SilenceLevel).
template <typename Sample> auto silenceThreshold(double level) {
    if constexpr (std::is_integral_v<Sample>) {
        return static_cast<int>(std::floor(level / ShortScale));
    } else {
        const auto t = static_cast<float>(level);
        return double(t) > level ? std::nextafter(t, 0.0f) : t;
    }
}

} // namespace

double pcmSilenceLevel(int bits) {
    return std::max(SilenceLevel, SilenceCodes * std::ldexp(1.0, 1 - std::max(bits, 2)));
}

double silenceLevelFor(const WaveFormat& format) {
    if (format.wFormatTag != WaveFormatPcm)
        return SilenceLevel;
    return pcmSilenceLevel(format.wBitsPerSample);
}

template <typename Sample>
SampleLevels<Sample>::SampleLevels(const WaveFormat& format, double silenceLevel)
    : state_(format.nChannels), silent_(silenceThreshold<Sample>(silenceLevel)) {
    const double high = highRail(format);
    if constexpr (Integral) {
        clipHigh_ = static_cast<Sample>(std::ceil(high / ShortScale));
        clipLow_ = static_cast<Sample>(-1.0 / ShortScale);
    } else {
        clipHigh_ = static_cast<Sample>(high);
        clipLow_ = -1.0f;
    }
}

template <typename Sample>
void SampleLevels<Sample>::scan(const Sample* frames, std::size_t n, int64_t at) {
    const std::size_t channels = state_.size();
    const auto levelOf = [](Sample x) -> Level {
        if constexpr (Integral)
            return x < 0 ? -int(x) : int(x);
        else
            return std::fabs(x);
    };
    if (firstLoud_ < 0) {
        for (std::size_t i = 0; i < n * channels; ++i) {
            if (levelOf(frames[i]) > silent_) {
                firstLoud_ = at + static_cast<int64_t>(i / channels);
                break;
            }
        }
    }
    Level peak = peak_;
    for (std::size_t c = 0; c < channels; ++c) {
        ChannelState s = state_[c];
        std::ptrdiff_t lastLoud = -1;
        for (std::size_t f = 0; f < n; ++f) {
            const Sample x = frames[f * channels + c];
            const Level level = levelOf(x);
            peak = std::max(peak, level); // a NaN never wins this comparison
            lastLoud = level > silent_ ? std::ptrdiff_t(f) : lastLoud;
            s.sum += x;
            if (x >= clipHigh_ || x <= clipLow_) [[unlikely]] {
                // A run is one channel's consecutive samples pinned at the same rail.
                const int sign = x > 0 ? 1 : -1;
                s.clipRun = s.clipRun > 0 && sign == s.clipSign ? s.clipRun + 1 : 1;
                s.clipSign = sign;
                if (s.clipRun == ClipRunSamples)
                    ++clippedRuns_;
            } else {
                s.clipRun = 0;
            }
        }
        state_[c] = s;
        if (lastLoud >= 0)
            lastLoud_ = std::max(lastLoud_, at + lastLoud);
    }
    peak_ = peak;
}

template <typename Sample>
void SampleLevels<Sample>::finish(AudioMeasure& m, int64_t frames) const {
    m.silent = firstLoud_ < 0;
    if (frames == 0)
        return;
    const double scale = Integral ? ShortScale : 1.0;
    m.peak = double(peak_) * scale;
    m.clippedRuns = clippedRuns_;
    double dc = 0;
    for (const ChannelState& s : state_) {
        const double mean = double(s.sum) * scale / double(frames);
        if (std::fabs(mean) > std::fabs(dc))
            dc = mean;
    }
    m.dcOffset = dc;
    const auto ms = [&m](int64_t count) { return double(count) * 1000.0 / m.rate; };
    if (firstLoud_ < 0) {
        m.leadingSilenceMs = m.trailingSilenceMs = ms(frames);
    } else {
        m.leadingSilenceMs = ms(firstLoud_);
        m.trailingSilenceMs = ms(frames - 1 - lastLoud_);
    }
}

template class SampleLevels<short>;
template class SampleLevels<float>;

} // namespace ws::check
