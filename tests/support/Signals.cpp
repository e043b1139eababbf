// Test signals and their comparisons; see Signals.h.
#include "Signals.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <random>

namespace ws::test {

namespace {

std::vector<int16_t> uniformNoise(std::size_t samples, unsigned seed, int lowest, int highest) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> d(lowest, highest);
    std::vector<int16_t> s(samples);
    for (auto& v : s)
        v = static_cast<int16_t>(d(rng));
    return s;
}

// How many stereo frames of `recorded` from `start` on equal `played` from its first frame
// on; past its end `played` starts again when `tiled`, else the count stops there.
std::size_t matchingFrames(const std::vector<int16_t>& recorded, std::size_t start,
                           const std::vector<int16_t>& played, bool tiled) {
    const std::size_t frames = recorded.size() / 2, n = played.size() / 2;
    if (n == 0)
        return 0;
    std::size_t count = 0;
    while (start + count < frames && (tiled || count < n) &&
           std::memcmp(&recorded[2 * (start + count)], &played[2 * (count % n)], 4) == 0)
        ++count;
    return count;
}

} // namespace

std::vector<int16_t> noise(std::size_t samples, unsigned seed) {
    return uniformNoise(samples, seed, -32768, 32767);
}

std::vector<int16_t> noise(std::size_t samples, unsigned seed, int peak) {
    return uniformNoise(samples, seed, -peak, peak);
}

std::vector<int16_t> sine(double hz, uint32_t rate, std::size_t frames, double amplitude) {
    std::vector<int16_t> s(frames);
    for (std::size_t i = 0; i < frames; ++i)
        s[i] = static_cast<int16_t>(std::lrint(
            amplitude * 32767.0 * std::sin(2.0 * std::numbers::pi * hz * double(i) / rate)));
    return s;
}

bool silent(const std::vector<int16_t>& samples, std::size_t from) {
    for (std::size_t i = from; i < samples.size(); ++i)
        if (samples[i] != 0)
            return false;
    return true;
}

std::size_t longestTiledRun(const std::vector<int16_t>& recorded,
                            const std::vector<int16_t>& played) {
    std::size_t best = 0;
    // The search resumes past each run rather than inside it, which keeps it linear in the
    // length of the recording.
    for (std::size_t start = 0; start < recorded.size() / 2; ++start) {
        const std::size_t count = matchingFrames(recorded, start, played, true);
        best = std::max(best, count);
        start += count;
    }
    return best;
}

std::optional<Heard> heardFrom(const std::vector<int16_t>& recorded,
                               const std::vector<int16_t>& played, std::size_t maxLeadIn) {
    const std::size_t frames = recorded.size() / 2, n = played.size() / 2;
    std::size_t first = 0;
    while (first < frames && recorded[2 * first] == 0 && recorded[2 * first + 1] == 0)
        ++first;
    // A match this short could be chance; noise frames never repeat that long.
    constexpr std::size_t Fingerprint = 16;
    for (std::size_t k = 0; k <= maxLeadIn && k < n; ++k) {
        std::size_t count = 0;
        while (first + count < frames && k + count < n &&
               std::memcmp(&recorded[2 * (first + count)], &played[2 * (k + count)], 4) == 0)
            ++count;
        if (count >= std::min(Fingerprint, n - k))
            return Heard{first, k, count};
    }
    return std::nullopt;
}

std::string describeBreak(const std::vector<int16_t>& recorded, const std::vector<int16_t>& played,
                          const Heard& heard) {
    const std::size_t frames = recorded.size() / 2, n = played.size() / 2;
    const std::size_t at = heard.at + heard.frames, fileFrame = heard.leadIn + heard.frames;
    std::string text = "lead-in " + std::to_string(heard.leadIn) +
                       " frames; left the file at its frame " + std::to_string(fileFrame) + " of " +
                       std::to_string(n);
    if (at >= frames)
        return text + " where the recording ended";
    std::size_t silence = 0;
    while (at + silence < frames && recorded[2 * (at + silence)] == 0 &&
           recorded[2 * (at + silence) + 1] == 0)
        ++silence;
    text += ", then " + std::to_string(silence) + " silent frames";
    const std::size_t resume = at + silence;
    if (resume + 16 > frames)
        return text + " to the recording's end";
    const std::size_t from = fileFrame > 44100 ? fileFrame - 44100 : 0;
    for (std::size_t k = from; k + 16 <= n && k < fileFrame + 44100; ++k)
        if (std::memcmp(&recorded[2 * resume], &played[2 * k], 16 * 4) == 0)
            return text + ", then the file again from its frame " + std::to_string(k);
    return text + ", then sound that is not the file nearby";
}

} // namespace ws::test
