// What the asset checker measures in one sound file: its format as this program's decoder
// sees it, and the properties a listener hears in a loop or a notch (a click or a gap at
// the seam, a DC offset, clipping, loudness). Levels are in units of full scale (1.0).
// Each kind of figure is worked out in a file of its own: FormatName (the encoding),
// SampleLevels (peak, DC offset, clipping, silence), TypicalStep, SeamMeasure and Loudness;
// measureFile runs them all in one streaming pass over the file.
#pragma once

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace ws::check {

inline constexpr double NoLoudness = -std::numeric_limits<double>::infinity();

inline constexpr double SilenceLevel = 0.001; // -60 dBFS
// Where a file's codes are coarser than SilenceLevel, this many of them still count as
// silence: dithered 8-bit silence moves by a code or two of 1/128.
inline constexpr int SilenceCodes = 2;
inline constexpr int ClipRunSamples = 3;
// The length of each end in the seam's picture, and of the stretch at either end that the
// seam is compared with (SeamMeasure.h).
inline constexpr int SeamPictureMs = 20;

// The level at or below which a sample of a PCM file `bits` wide counts as silence: the
// larger of SilenceLevel and SilenceCodes codes of that width (0.0156 at 8 bits).
double pcmSilenceLevel(int bits);

struct AudioMeasure {
    // The format. `readable` is false when the program's decoder cannot open the file;
    // `error` is then the decoder's message and nothing below it is measured.
    bool readable = false;
    std::string error;
    std::string encoding; // for example "PCM 16-bit", "IMA ADPCM", "FLAC 16-bit"
    int channels = 0;
    int rate = 0;
    int bits = 0;          // the width the decoder delivers (8, 16, or the file's own)
    bool playable = false; // the sound device layer accepts the decoded format
    int64_t frames = 0;
    double seconds = 0;

    // Sample statistics over every channel.
    double peak = 0;
    double dcOffset = 0; // the mean sample value of the channel where it is largest
    // Runs of ClipRunSamples or more consecutive samples of one channel at the same rail of
    // the delivered width's full scale: at or beyond its largest positive code (32767/32768
    // at 16 bits, 127/128 at 8), at or below -1.0; 1.0 itself for float files.
    int clippedRuns = 0;
    // The level at or below which this file's samples count as silence: pcmSilenceLevel of
    // the delivered width for PCM files, SilenceLevel for all others.
    double silenceLevel = SilenceLevel;
    bool silent = true; // no sample above silenceLevel (so also a file of no frames)
    // Both are the whole length for a silent file.
    double leadingSilenceMs = 0;  // from the start until a sample above silenceLevel
    double trailingSilenceMs = 0; // from the last sample above silenceLevel to the end
    // The loop seam: the step from the last frame back to the first (largest over the
    // channels), and the file's own typical step, the 99th percentile of |x[n+1] - x[n]|
    // within each channel (nearest rank, exact).
    double seamStep = 0;
    double typicalStep = 0;
    // The seam as heard (SeamMeasure.h, where seamClicks judges them): how far the first two
    // samples after the seam leave the line through the last two before it, and how far the
    // wave leaves such lines by itself within SeamPictureMs of either end (99th percentile),
    // in the channel where the seam stands out most.
    double seamJump = 0;
    double nearJump = 0;

    // Loudness (EBU R128, LUFS) as heard through two speakers: a mono file, which the player
    // sends to both, counts as the same signal in both channels of a stereo file would.
    // Integrated over the file, and momentary (400 ms) over its first and last 400 ms (the
    // whole file when shorter). NoLoudness for silence (below the standard's absolute gate
    // of -70 LUFS, for the momentary figures too); `lufs` also for a file shorter than the
    // 400 ms of one gating block, and all three where the meter cannot take the format
    // (under 16 Hz, over 384 kHz, over 64 channels).
    double lufs = NoLoudness;
    double headLufs = NoLoudness;
    double tailLufs = NoLoudness;

    // The seam as a picture: the last SeamPictureMs and the first SeamPictureMs of the
    // file (channels averaged), joined; the seam lies at index `seamAt`.
    std::vector<float> seamPicture;
    std::size_t seamAt = 0;
};

// Opens the file with the program's decoder and measures it. Never throws for a file's
// content: a file that cannot be read gives readable = false with the reason.
AudioMeasure measureFile(const std::string& path);

} // namespace ws::check
