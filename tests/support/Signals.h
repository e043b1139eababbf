// Test signals as interleaved 16-bit samples: reproducible noise, sines, and the checks that
// compare what was recorded or rendered with what was played.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
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

// How a recording of a sound server's monitor holds a file played once: its first sounding
// stereo frame is frame `leadIn` of `played` (a server may drop the head of a new stream on
// a monitor while it starts the stream), and `frames` frames from there on equal `played`
// bit for bit.
struct Heard {
    std::size_t at = 0; // the first sounding frame of the recording
    std::size_t leadIn = 0;
    std::size_t frames = 0;
};
// std::nullopt when the first sounding frame of `recorded` is none of the first
// `maxLeadIn` + 1 frames of `played` followed by a bit-exact match of at least 16 frames
// (a resampled, scaled or foreign stream), or when nothing sounds.
std::optional<Heard> heardFrom(const std::vector<int16_t>& recorded,
                               const std::vector<int16_t>& played, std::size_t maxLeadIn);

// Where and how the recording leaves the file after `heard`: the file frame, how many silent
// frames follow, and at which file frame (if any nearby) the recording picks the file up
// again; for failure messages.
std::string describeBreak(const std::vector<int16_t>& recorded, const std::vector<int16_t>& played,
                          const Heard& heard);

} // namespace ws::test
