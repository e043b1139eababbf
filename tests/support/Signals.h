// Test signals as interleaved 16-bit samples: reproducible noise, sines, and the checks that
// compare what was recorded or rendered with what was played.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace ws::test {

// `samples` values drawn uniformly from the whole 16-bit range (every bit of every sample
// matters), the same for the same seed on every run.
std::vector<int16_t> noise(std::size_t samples, unsigned seed);
// The same, drawn from [-peak, peak].
std::vector<int16_t> noise(std::size_t samples, unsigned seed, int peak);

// `frames` mono samples of a sine at `hz` played at `rate`, its peak `amplitude` times full
// scale, starting at phase 0.
std::vector<int16_t> sine(double hz, uint32_t rate, std::size_t frames, double amplitude);

// True when every sample from `from` on is 0.
bool silent(const std::vector<int16_t>& samples, std::size_t from = 0);

// Stereo frames: the longest stretch of `recorded` that equals `played` repeated end to
// end, from its first frame on (a loop heard bit for bit).
std::size_t longestTiledRun(const std::vector<int16_t>& recorded,
                            const std::vector<int16_t>& played);

// Stereo frames: the longest stretch of `recorded` that equals `played` from its first frame
// on, at most all of `played` (a file heard once, bit for bit).
std::size_t longestRunFromStart(const std::vector<int16_t>& recorded,
                                const std::vector<int16_t>& played);

} // namespace ws::test
