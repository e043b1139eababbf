// What every harness shares besides its scratch folder: the check that stops the run when an
// invariant of the program breaks (libFuzzer then saves the input that broke it), and a
// small random sequence seeded from the input, so that the choices a harness makes beyond
// the input's own bytes are the same every time that input runs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace ws::fuzz {

[[noreturn]] inline void brokenInvariant(const char* condition, const char* file, int line) {
    std::fprintf(stderr, "\nBroken invariant: %s\n    at %s:%d\n", condition, file, line);
    std::fflush(stderr);
    std::abort();
}

// xorshift64* seeded with FNV-1a of the input.
class InputRandom {
public:
    InputRandom(const uint8_t* data, size_t size) {
        uint64_t h = 1469598103934665603ull;
        for (size_t i = 0; i < size; ++i) {
            h ^= data[i];
            h *= 1099511628211ull;
        }
        state_ = h ? h : 0x9E3779B97F4A7C15ull;
    }
    uint64_t next() {
        state_ ^= state_ >> 12;
        state_ ^= state_ << 25;
        state_ ^= state_ >> 27;
        return state_ * 0x2545F4914F6CDD1Dull;
    }
    // Uniform enough in [0, bound) for choosing among a few cases; bound > 0.
    uint64_t below(uint64_t bound) { return next() % bound; }

private:
    uint64_t state_;
};

} // namespace ws::fuzz

#define WS_FUZZ_CHECK(cond)                                                                        \
    do {                                                                                           \
        if (!(cond))                                                                               \
            ::ws::fuzz::brokenInvariant(#cond, __FILE__, __LINE__);                                \
    } while (0)
