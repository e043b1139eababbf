// Kernel tables and the interpolation state of the resampler.
#include "Resampler.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
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
        for (uint32_t j = 0; j < taps_; j += 8) {
            for (uint32_t k = 0; k < 8; ++k) {
                const float h = static_cast<float>(row[j + k]);
                out[2 * j + k] = h;
                out[2 * j + 8 + k] = static_cast<float>(next[j + k]) - h;
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

Resampler::Resampler(unsigned channels) : channels_(channels) {}

void Resampler::reset() {
    history_.fill(0.0f);
    write_ = 0;
    ahead_ = 0;
    frac_ = 0;
    rem_ = 0;
}

uint64_t Resampler::framesUntil(uint64_t inputFrames, const ResampleStep& step) const {
    // The smallest m at which the position, frac + rem/den + m * (fixed + step.rem/den) in
    // units of 2^-32 frames, reaches inputFrames. Its whole units are frac + m * fixed +
    // (rem + m * step.rem) div den, and as the target is whole, they alone decide. Every term
    // fits in 64 bits: inputFrames < 2^28, so m < 2^42 for the slowest step, and den < 2^21.
    const uint64_t target = inputFrames << 32;
    const uint64_t rem = rem_ % step.den;
    if (step.fixed == 0 && step.rem == 0)
        return frac_ >= target ? 0 : UINT64_MAX;
    auto reached = [&](uint64_t m) {
        return frac_ + m * step.fixed + (rem + m * step.rem) / step.den >= target;
    };
    // A double gets within a frame or two of the answer; whole-unit checks settle it.
    const double per = double(step.fixed) + double(step.rem) / double(step.den);
    const double estimate = (double(target) - double(frac_)) / per;
    uint64_t m = estimate > 2.0 ? static_cast<uint64_t>(estimate) - 2 : 0;
    while (m > 0 && reached(m - 1))
        --m;
    while (!reached(m))
        ++m;
    return m;
}

} // namespace ws
