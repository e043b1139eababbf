// Exact 99th percentiles of the steps between neighbouring samples, in constant memory: a
// count per possible step for 16-bit samples, and for float samples a count per upper half
// of each step's bits, refined by a second look at the same steps. The typical step of a
// file (TypicalStep.h) is read from these.
#pragma once

#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <utility>
#include <vector>

namespace ws::check {

// Histogram counts reused across the files one thread measures: a fresh table for every file
// would cost more in page faults than measuring a short file does. Each user clears only
// what the one before it touched.
struct CountTable {
    std::vector<uint64_t> counts;
    std::size_t dirty = 0; // entries from here on are zero
};

class Counts {
public:
    Counts(CountTable& table, std::size_t size);
    ~Counts() { table_.dirty = end_; }
    Counts(const Counts&) = delete;
    Counts& operator=(const Counts&) = delete;

    // Raw access for the hot loops, which report how far they wrote.
    uint64_t* data() { return data_; }
    void touched(std::size_t end) { end_ = end_ > end ? end_ : end; }

    // The entry holding the `rank`-th smallest value (from 0) and the rank within that
    // entry; nothing when fewer values were counted.
    std::optional<std::pair<std::size_t, uint64_t>> find(uint64_t rank) const;

private:
    CountTable& table_;
    uint64_t* data_ = nullptr;
    std::size_t end_ = 0;
};

// Nearest rank: the smallest value with at least 99% of all values at or below it.
inline uint64_t percentileRank(uint64_t count) {
    return (count * 99 + 99) / 100 - 1;
}

// The steps between 16-bit samples: one count per possible step, 0 to 65535 codes.
class CodeSteps {
public:
    CodeSteps();
    static std::size_t index(short x, short prev) { return std::size_t(std::abs(x - prev)); }
    uint64_t* data() { return counts_.data(); }
    void touched(std::size_t end) { counts_.touched(end); }

    // The 99th percentile of `count` steps, in codes times `scale`.
    double value(uint64_t count, double scale) const;

private:
    Counts counts_;
};

// The steps between float samples. The bits of a non-negative float order like its value,
// NaN above infinity, so odd float files cannot upset the ordering the way they would upset
// a sort: a histogram of the upper half of the bits finds the bucket holding the wanted
// rank, and a second pass over the same values counts the lower halves inside that bucket.
class FloatSteps {
public:
    FloatSteps();
    static uint32_t bits(float x, float prev) {
        return std::bit_cast<uint32_t>(std::fabs(x - prev));
    }
    static std::size_t index(float x, float prev) { return bits(x, prev) >> 16; }
    uint64_t* data() { return coarse_.data(); }
    void touched(std::size_t end) { coarse_.touched(end); }

    // After the first pass: chooses the bucket that the second pass refines.
    void locate(uint64_t count);
    void refine(float x, float prev) {
        const uint32_t b = bits(x, prev);
        if ((b >> 16) == bucket_) {
            ++fine_->data()[b & 0xFFFF];
            fine_->touched((b & 0xFFFF) + 1);
        }
    }

    // The 99th percentile of `count` steps. Without the second pass, or when the file
    // changed between the passes, the lower edge of the bucket stands in: within 1%.
    double value(uint64_t count, double scale) const;

private:
    Counts coarse_;
    std::optional<Counts> fine_;
    uint32_t bucket_ = 0;
    uint64_t rankInBucket_ = 0;
};

} // namespace ws::check
