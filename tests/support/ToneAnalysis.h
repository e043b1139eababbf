// Reading a recording by its tones: how strongly a given pitch sounds in a stretch of it,
// the exact pitch of the strongest tone in a band, and the recording cut into windows, each
// named by what sounds in it, with the short runs at the seams left out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace ws::test {

// Interleaved 16-bit stereo as mono samples in units of full scale.
std::vector<double> monoOf(const std::vector<int16_t>& stereo);

// A stretch of a mono recording: `count` samples from `from`.
struct Stretch {
    const std::vector<double>& x;
    std::size_t from;
    std::size_t count;
    double rate;
};

// Amplitude of the component at `hz` in the stretch, seen through a Hann window (a full
// scale sine reads 1).
double toneLevel(const Stretch& s, double hz);
// Root mean square of the stretch.
double rms(const Stretch& s);
// The frequency in [lowHz, highHz] where toneLevel peaks: a 1 Hz grid, then 0.05 Hz
// steps around the best point of it.
double peakFrequency(const Stretch& s, double lowHz, double highHz);

// The index of the frequency in `hz` that sounds strongest in the stretch, or -1 when the
// stretch is quieter than `quietRms` (silence).
int strongestTone(const Stretch& s, const std::vector<double>& hz, double quietRms);

// The first sample of `x` that sounds: the first sample at or above `quietRms` in the first
// 5 ms block whose loudness reaches it; x.size() when nothing does. A check of what sounded
// first judges windows from here, so that a window holding only the first few ms of a sound,
// where its taper hides it, never decides the verdict.
std::size_t soundStart(const std::vector<double>& x, double rate, double quietRms);

// Where sounds begin in the stretch: sample indices at which the loudness, taken over
// blocks of 5 ms, has risen at least threefold within 15 ms to above a third of the
// stretch's loudest block. Rises closer than `minGapSeconds` to the last onset are one sound.
std::vector<std::size_t> onsets(const Stretch& s, double minGapSeconds);

// A run of consecutive windows with the same label.
struct LabelRun {
    int label;
    std::size_t first; // window index
    std::size_t count;
};

// Cuts `x` (sampled at `rate`) into windows of `window` samples every `hop` samples, labels each
// with `label`, and joins equal neighbours into runs. Runs shorter than `minCount` windows (what a
// window straddling a seam or a brief dropout hears) are dropped, and the runs on both sides of
// them joined when their labels agree.
std::vector<LabelRun> labelRuns(const std::vector<double>& x, double rate, std::size_t window,
                                std::size_t hop, std::size_t minCount,
                                const std::function<int(const Stretch&)>& label);

// Drops a silent run at the very start of `runs` (before the sound was started) and returns
// the labels of the rest, in order.
std::vector<int> labelsFromStart(std::vector<LabelRun>& runs);

} // namespace ws::test
