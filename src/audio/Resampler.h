// Band-limited sample-rate conversion for the software mixer: a polyphase windowed-sinc
// (Kaiser) interpolator with a table of 256 phases per input sample, interpolated linearly
// between neighbouring phases.
//
// Positions are fixed point: the integer part counts input frames, the low 32 bits are the
// fraction. The step per output frame is the exact ratio source rate / device rate: its
// 32.32 part plus a remainder counted in units of 1/deviceRate, so the position never
// drifts from the true ratio however long a buffer plays. The kernel at fraction 0 of the unscaled
// table is an exact unit impulse, so a buffer played at the device's own rate passes through bit
// for bit. When a buffer is played faster than the device rate the kernel is widened by the ratio
// (rounded up to a sixteenth of an octave), which moves its cutoff below the device's Nyquist
// frequency.
//
// Threads: SincTable::forRatio may be called from any thread (a mutex guards the map of
// tables; a table never changes once made, so readers need no lock). A Resampler has no lock
// and belongs to one thread at a time: a buffer's to the thread that mixes, while the buffer
// plays. Once a stop has parked it, the thread that renders the stopped sound's fade copies it
// and works on the copy.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace ws {

// One immutable kernel table. Tables are made once per ratio step and live until the
// program ends, so the output callback can hold a plain pointer to one.
class SincTable {
public:
    static constexpr uint32_t Phases = 256;
    static constexpr uint32_t PhaseBits = 8;
    static constexpr double MaxRatio = 8.0; // wider kernels alias a little instead

    // The table for playing `ratio` input frames per output frame. Thread-safe; the first
    // call for a ratio step computes the table (a few milliseconds at most).
    static const SincTable& forRatio(double ratio);

    // Number of taps: a multiple of 8. Output at position n + f takes input frames
    // n - half() + 1 .. n + half().
    uint32_t taps() const { return taps_; }
    uint32_t half() const { return taps_ / 2; }
    // Coefficients of phase p (0..Phases) in blocks of eight taps: h[8j..8j+7] followed by
    // the differences to phase p+1 at the same taps.
    const float* phase(uint32_t p) const { return data_.data() + std::size_t(p) * 2 * taps_; }
    // True for the unscaled table, whose phase 0 is a unit impulse.
    bool unscaled() const { return scale_ == 1.0; }

    explicit SincTable(double scale);

private:
    double scale_;
    uint32_t taps_;
    std::vector<float> data_;
};

// Input frames per output frame, exactly: fixed + rem / den in units of 2^-32 frames.
struct ResampleStep {
    uint64_t fixed = uint64_t(1) << 32;
    uint32_t rem = 0;
    uint32_t den = 1;

    static ResampleStep ratio(uint32_t sourceRate, uint32_t deviceRate) {
        const uint64_t scaled = uint64_t(sourceRate) << 32;
        return {scaled / deviceRate, static_cast<uint32_t>(scaled % deviceRate), deviceRate};
    }
    bool unity() const { return fixed == (uint64_t(1) << 32) && rem == 0; }
    friend bool operator==(const ResampleStep&, const ResampleStep&) = default;
};

// The per-buffer interpolation state: the most recent input frames as floats, the fraction
// of the position, and how many frames beyond the current one have already been fetched.
// Copying one (a plain copy of fixed-size members) never allocates.
class Resampler {
public:
    // Frames of history kept per channel; enough for the widest table plus its look-ahead.
    static constexpr uint32_t History = 512;

    explicit Resampler(unsigned channels);

    // Forgets everything: silence before the next frame fetched, fraction 0.
    void reset();
    uint32_t fraction() const { return frac_; }

    // Produces `frames` output frames into outL (and outR for stereo input; a mono
    // resampler writes outL only), pulling input frames from `src` as the kernel needs
    // them: src.next(float& left, float& right). Returns the number of input frames the
    // position advanced.
    template <unsigned Channels, class Source>
    uint64_t process(float* outL, float* outR, std::size_t frames, const ResampleStep& step,
                     const SincTable& table, Source& src);
    // Output frames from now until the position has advanced by `inputFrames`.
    uint64_t framesUntil(uint64_t inputFrames, const ResampleStep& step) const;

private:
    template <unsigned Channels, class Source> void fetch(Source& src, int64_t need);
    // The total of two rows of four running sums, added in a fixed order.
    static float sumOfRows(const float* a, const float* b) {
        float s[4];
        for (unsigned k = 0; k < 4; ++k)
            s[k] = a[k] + b[k];
        return (s[0] + s[2]) + (s[1] + s[3]);
    }

    unsigned channels_;
    // Per channel 2 * History floats, each frame written twice so that every kernel window
    // is contiguous.
    std::array<float, 2 * 2 * History> history_{};
    uint32_t write_ = 0; // history index of the next frame to fetch
    int64_t ahead_ = 0;  // frames fetched beyond the current one, plus one
    uint32_t frac_ = 0;  // fractional part of the position
    uint32_t rem_ = 0;   // and its part below 2^-32, in units of 1/step.den
};

template <unsigned Channels, class Source> inline void Resampler::fetch(Source& src, int64_t need) {
    float* hl = history_.data();
    float* hr = hl + 2 * History;
    while (ahead_ < need) {
        float l, r;
        src.next(l, r);
        hl[write_] = hl[write_ + History] = l;
        if constexpr (Channels == 2)
            hr[write_] = hr[write_ + History] = r;
        write_ = (write_ + 1) & (History - 1);
        ++ahead_;
    }
}

template <unsigned Channels, class Source>
uint64_t Resampler::process(float* outL, float* outR, std::size_t frames, const ResampleStep& step,
                            const SincTable& table, Source& src) {
    const uint32_t half = table.half();
    const uint32_t taps = table.taps();
    const float* hl = history_.data();
    const float* hr = hl + 2 * History;
    uint64_t consumed = 0;
    if (rem_ >= step.den)
        rem_ %= step.den; // the device rate changed

    // At the device's own rate on a whole frame, the kernel is a unit impulse: copy.
    if (step.unity() && frac_ == 0 && table.unscaled()) {
        for (std::size_t i = 0; i < frames; ++i) {
            fetch<Channels>(src, half + 1);
            const uint32_t at = (write_ - static_cast<uint32_t>(ahead_)) & (History - 1);
            outL[i] = hl[at];
            if constexpr (Channels == 2)
                outR[i] = hr[at];
            --ahead_;
        }
        return frames;
    }

    for (std::size_t i = 0; i < frames; ++i) {
        fetch<Channels>(src, half + 1);
        // History index of the first tap: frame n - half + 1, where frame n + half is the
        // newest needed; both copies of the ring make the window contiguous.
        const uint32_t last = (write_ - static_cast<uint32_t>(ahead_) + half) & (History - 1);
        const uint32_t first = last + History - taps + 1;
        const float* coef = table.phase(frac_ >> (32 - SincTable::PhaseBits));
        const float w = static_cast<float>(frac_ & ((1u << (32 - SincTable::PhaseBits)) - 1)) *
                        (1.0f / float(1u << (32 - SincTable::PhaseBits)));
        // Eight running sums per side, one per tap of a block, in two rows of four: plain
        // loops that compilers turn into vector code without reordering any float addition.
        float l0[4] = {}, l1[4] = {}, r0[4] = {}, r1[4] = {};
        const float* l = hl + first;
        const float* r = hr + first;
        for (std::size_t j = 0; j < taps; j += 8) {
            for (unsigned k = 0; k < 4; ++k) {
                const float c0 = coef[2 * j + k] + w * coef[2 * j + 8 + k];
                const float c1 = coef[2 * j + 4 + k] + w * coef[2 * j + 12 + k];
                l0[k] += c0 * l[j + k];
                l1[k] += c1 * l[j + 4 + k];
                if constexpr (Channels == 2) {
                    r0[k] += c0 * r[j + k];
                    r1[k] += c1 * r[j + 4 + k];
                }
            }
        }
        outL[i] = sumOfRows(l0, l1);
        if constexpr (Channels == 2)
            outR[i] = sumOfRows(r0, r1);

        uint64_t pos = uint64_t(frac_) + step.fixed;
        rem_ += step.rem;
        if (rem_ >= step.den) {
            rem_ -= step.den;
            ++pos;
        }
        frac_ = static_cast<uint32_t>(pos);
        const uint64_t carry = pos >> 32;
        ahead_ -= static_cast<int64_t>(carry);
        consumed += carry;
    }
    return consumed;
}

} // namespace ws
