// Kernel tables and the interpolation state of the resampler.
#include "Resampler.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <mutex>

namespace ws {

namespace {

constexpr double Pi = 3.14159265358979323846;
// Half-width of the unscaled kernel in input frames and the Kaiser window's beta: a
// transition band from 0.4 to 0.6 of the input rate with about 100 dB of stopband.
constexpr double BaseHalfWidth = 16.0;
constexpr double KaiserBeta = 10.0;
// Ratio steps per octave for widened kernels.
constexpr int StepsPerOctave = 16;

double besselI0(double x) {
    double sum = 1.0, term = 1.0;
    const double q = x * x / 4.0;
    for (int k = 1; k < 200; ++k) {
        term *= q / (double(k) * double(k));
        sum += term;
        if (term < sum * 1e-17)
            break;
    }
    return sum;
}

} // namespace

SincTable::SincTable(double scale) : scale_(scale) {
    const double width = BaseHalfWidth * scale; // window half-width in input frames
    taps_ = 8 * static_cast<uint32_t>(std::ceil(2.0 * width / 8.0 - 1e-9));
    const int half = static_cast<int>(taps_ / 2);
    const double i0Beta = besselI0(KaiserBeta);
    auto kernel = [&](double d) {
        if (std::abs(d) >= width)
            return 0.0;
        const double x = d / scale;
        double sinc;
        if (x == 0.0)
            sinc = 1.0;
        else if (scale == 1.0 && x == std::round(x))
            sinc = 0.0; // exact zero crossings: phase 0 becomes a unit impulse
        else
            sinc = std::sin(Pi * x) / (Pi * x);
        const double u = d / width;
        return sinc * besselI0(KaiserBeta * std::sqrt(1.0 - u * u)) / i0Beta / scale;
    };

    std::vector<double> rows(std::size_t(Phases + 1) * taps_);
    for (uint32_t p = 0; p <= Phases; ++p) {
        double* row = &rows[std::size_t(p) * taps_];
        double sum = 0.0;
        for (uint32_t j = 0; j < taps_; ++j) {
            row[j] = kernel(double(p) / Phases + half - 1 - double(j));
            sum += row[j];
        }
        // Every phase passes DC at exactly unity, so slow signals see no phase-dependent
        // gain (which would be heard as noise).
        for (uint32_t j = 0; j < taps_; ++j)
            row[j] /= sum;
    }

    data_.assign(std::size_t(Phases + 1) * 2 * taps_, 0.0f);
    for (uint32_t p = 0; p <= Phases; ++p) {
        const double* row = &rows[std::size_t(p) * taps_];
        const double* next = p < Phases ? row + taps_ : row;
        float* out = data_.data() + std::size_t(p) * 2 * taps_;
        for (uint32_t j = 0; j < taps_; j += 4) {
            for (uint32_t k = 0; k < 4; ++k) {
                const float h = static_cast<float>(row[j + k]);
                out[2 * j + k] = h;
                out[2 * j + 4 + k] = static_cast<float>(next[j + k]) - h;
            }
        }
    }
}

const SincTable& SincTable::forRatio(double ratio) {
    static std::mutex mutex;
    static std::map<int, std::unique_ptr<SincTable>> tables;

    int step = 0;
    if (ratio > 1.0) {
        const int maxStep = static_cast<int>(std::lround(std::log2(MaxRatio) * StepsPerOctave));
        step = static_cast<int>(std::ceil(std::log2(ratio) * StepsPerOctave - 1e-9));
        step = std::clamp(step, 1, maxStep);
    }
    std::lock_guard lock(mutex);
    auto& slot = tables[step];
    if (!slot)
        slot =
            std::make_unique<SincTable>(step == 0 ? 1.0 : std::exp2(double(step) / StepsPerOctave));
    return *slot;
}

Resampler::Resampler(unsigned channels)
    : channels_(channels), history_(std::size_t(2) * 2 * History, 0.0f) {}

void Resampler::reset() {
    std::fill(history_.begin(), history_.end(), 0.0f);
    write_ = 0;
    ahead_ = 0;
    frac_ = 0;
    rem_ = 0;
}

uint64_t Resampler::framesUntil(uint64_t inputFrames, const ResampleStep& step) const {
    // Smallest m with frac + rem/den + m * (fixed + rem'/den) >= inputFrames * 2^32, in
    // units of 1/den of 2^-32 (fits: inputFrames < 2^28, den < 2^21).
    using u128 = unsigned __int128;
    const u128 den = step.den;
    const u128 target = (u128(inputFrames) << 32) * den;
    const u128 have = u128(frac_) * den + (rem_ % step.den);
    if (have >= target)
        return 0;
    const u128 per = u128(step.fixed) * den + step.rem;
    if (per == 0)
        return UINT64_MAX;
    return static_cast<uint64_t>((target - have + per - 1) / per);
}

} // namespace ws
