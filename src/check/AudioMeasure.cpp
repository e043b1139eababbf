// Measures one sound file for the asset checker: the decoder decides whether the file opens
// and what format it delivers; libsndfile then decodes it once more (as 16-bit integers
// where every sample lies on that grid, else as float; reported on one scale, full scale
// 1.0) in one streaming pass that hands each block to every measure in turn. Files read as
// float take a second pass to pin down the typical step exactly.
#include "check/AudioMeasure.h"

#include "audio/AudioErrors.h"
#include "audio/AudioFileReader.h"
#include "audio/SecondaryBuffer.h"
#include "audio/SndfileOpen.h"
#include "check/FileEnds.h"
#include "check/FormatName.h"
#include "check/Loudness.h"
#include "check/SampleLevels.h"
#include "check/SeamMeasure.h"
#include "check/TypicalStep.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <memory>

namespace ws::check {

namespace {

struct FileCloser {
    void operator()(SNDFILE* file) const { sf_close(file); }
};
using FilePtr = std::unique_ptr<SNDFILE, FileCloser>;

// Samples per library read: large enough that call overhead vanishes, small enough to stay
// in the first-level cache with the per-channel state.
constexpr std::size_t BlockSamples = 8192;

sf_count_t readFrames(SNDFILE* file, short* out, std::size_t frames) {
    return sf_readf_short(file, out, static_cast<sf_count_t>(frames));
}
sf_count_t readFrames(SNDFILE* file, float* out, std::size_t frames) {
    return sf_readf_float(file, out, static_cast<sf_count_t>(frames));
}

// Files whose samples all lie on the 16-bit grid (8 and 16-bit PCM, the ADPCM family,
// u-law, 16-bit FLAC, ...) are read as 16-bit integers, exactly the values a float read
// gives times 32768 but at a third of its cost, and with steps that fit a plain histogram.
// Wider files, float files and the lossy codecs (whose peaks may pass full scale) are read
// as float.
bool onSixteenBitGrid(const WaveFormat& format, int subFormat) {
    return !isLossyCodec(subFormat) && format.wFormatTag == WaveFormatPcm &&
           format.wBitsPerSample <= 16;
}

// `Sample` is short (read with sf_readf_short, one code = 1/32768) or float (sf_readf_float,
// full scale 1.0).
template <typename Sample>
void measureStream(AudioMeasure& m, SNDFILE* file, const WaveFormat& format) {
    const std::size_t channels = format.nChannels;
    const int64_t rate = format.nSamplesPerSec;
    std::vector<Sample> block(std::max<std::size_t>(BlockSamples / channels, 1) * channels);
    const std::size_t blockFrames = block.size() / channels;

    SampleLevels<Sample> levels(format, m.silenceLevel);
    TypicalStep<Sample> steps(channels);
    EndKeeper<Sample> ends(
        channels, static_cast<std::size_t>(std::max<int64_t>(1, rate * SeamPictureMs / 1000)));
    LoudnessMeter<Sample> meter(channels, rate);
    int64_t frames = 0;
    for (;;) {
        const sf_count_t got = readFrames(file, block.data(), blockFrames);
        if (got <= 0)
            break;
        const auto n = static_cast<std::size_t>(got);
        levels.scan(block.data(), n, frames);
        steps.scan(block.data(), n);
        ends.add(block.data(), n);
        meter.add(block.data(), n, m);
        frames += got;
    }
    m.frames = frames;
    m.seconds = m.rate > 0 ? double(frames) / m.rate : 0;
    levels.finish(m, frames);
    meter.finish(m);
    measureSeam(ends.ends(), m);

    // The same frames again for the typical step's exact value.
    if (steps.wantsSecondPass() && sf_seek(file, 0, SEEK_SET) == 0) {
        steps.restart();
        for (int64_t done = 0; done < frames;) {
            const auto want =
                static_cast<std::size_t>(std::min<int64_t>(int64_t(blockFrames), frames - done));
            const sf_count_t got = readFrames(file, block.data(), want);
            if (got <= 0)
                break;
            steps.refine(block.data(), static_cast<std::size_t>(got));
            done += got;
        }
    }
    m.typicalStep = steps.value();
}

} // namespace

AudioMeasure measureFile(const std::string& path) {
    AudioMeasure m;
    WaveFormat format;
    try {
        const AudioFileReader reader(path);
        format = reader.Format();
    } catch (const AudioReadError& e) {
        m.error = e.what();
        return m;
    }

    SF_INFO info{};
    const SndfileOpenResult opened = openSndfile(path, SFM_READ, info);
    FilePtr file(opened.file);
    // The decoder opened it a moment ago; failing now, or with another layout (which would
    // also break the frame arithmetic below), means the file changed or vanished since.
    if (!file) {
        m.error = opened.reason;
        return m;
    }
    if (info.channels != format.nChannels || info.samplerate != int(format.nSamplesPerSec)) {
        m.error = "The file changed while it was being measured.";
        return m;
    }
    sf_command(file.get(), SFC_SET_NORM_FLOAT, nullptr, SF_TRUE);

    m.readable = true;
    m.encoding = encodingName(info.format);
    m.channels = format.nChannels;
    m.rate = static_cast<int>(format.nSamplesPerSec);
    m.bits = format.wBitsPerSample;
    m.playable = supportedBufferFormat(format);
    m.silenceLevel = silenceLevelFor(format);

    if (onSixteenBitGrid(format, info.format & SF_FORMAT_SUBMASK))
        measureStream<short>(m, file.get(), format);
    else
        measureStream<float>(m, file.get(), format);
    return m;
}

} // namespace ws::check
