// The loop's seam, where the file's last frame is followed by its first: what it looks like
// (the picture), the plain step across it, and whether a listener hears it click.
//
// A seam clicks when the wave leaves its course there. The course is the line through the
// last two samples before the seam; how far the first two samples after it fall from that
// line (their root mean square, `seamJump`) is compared with how far the wave leaves the same
// kind of line by itself within SeamPictureMs of either end (the 99th percentile over every
// point there, `nearJump`). Cutting a recording anywhere else than where its waveform
// continues leaves a jump many times its own near the seam; a whole-period or cross-faded
// loop leaves one like any other point of it. A cut at a zero crossing that turns the wave
// back counts as much as one that makes it step.
#pragma once

#include "check/AudioMeasure.h"

#include <string>

namespace ws::check {

struct FileEnds;

// A seam clicks when its jump is more than this many times the file's own near the seam...
inline constexpr double SeamClickRatio = 3.0;
// ...and more than this, in units of full scale: smaller jumps are not heard (-40 dBFS).
inline constexpr double SeamJumpFloor = 0.01;

// Fills the measure's seam picture, seamStep, seamJump and nearJump from the file's ends.
void measureSeam(const FileEnds& ends, AudioMeasure& m);

// True when the loop's seam is heard as a click.
bool seamClicks(const AudioMeasure& m);

// The particular figures, for a finding: "the wave jumps 0.120 of full scale from its course
// at the seam, 9.0 times as far as it does by itself near the seam".
std::string seamDetail(const AudioMeasure& m);

// The rule in words, for a report's list of limits.
std::string seamLimitText();

} // namespace ws::check
