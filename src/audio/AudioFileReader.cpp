// Decoding of audio files for the mixer channels through libsndfile: the file's own PCM
// layout, read block by block into the channel's memory, with the stream times of every
// block and a rewinding seek. Also the decoder's table of result texts.
#include "AudioFileReader.h"

#include "SndfileOpen.h"

#include "AudioErrors.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <iterator>
#include <limits>
#include <sndfile.h>
#include <vector>

namespace ws {

namespace {

constexpr int64_t TimeUnitsPerSecond = 10'000'000;

// A frame count beyond this (about 290 days at 44.1 kHz) is not a real length: the
// library guessed or the header lies, so the frames are counted by decoding instead.
constexpr int64_t MaxPlausibleFrames = int64_t{1} << 40;

// Decode space per reader; wide enough that a request of a few kilobytes needs one or two
// library calls, small enough to be negligible per open channel.
constexpr size_t ScratchBytes = 16 * 1024;

constexpr int32_t StreamNotSeekable = static_cast<int32_t>(0x80040404);
constexpr int32_t StreamFormatsIncompatible = static_cast<int32_t>(0x80040405);
constexpr int32_t StreamInvalidPointer = static_cast<int32_t>(0x80004003);

struct ResultText {
    uint32_t code;
    const char* text;
};

constexpr ResultText ResultTexts[] = {
    {0x00040001, "The asynchronous update is pending."},
    {0x00040002, "Sample was not updated after forced completion."},
    {0x00040003, "Reached the end of the stream; the sample wasn't updated."},
    {0x08000001, "Invalid buffer size."},
    {0x80004002, "No interface."},
    {0x80004003, "This method tried to access an invalid pointer."},
    {0x80004004, "The update aborted."},
    {0x80040110, "This class cannot be created as part of an aggregate."},
    {0x80040154, "A specified class is not registered in the registration database."},
    {0x80040401, "An IMediaStream object could not be removed from an IMultiMediaStream object "
                 "because it still contains at least one allocated sample."},
    {0x80040402, "The specified purpose ID can't be used for the call."},
    {0x80040403, "No stream can be found with the specified attributes."},
    {0x80040404, "One or more media streams don't support seeking."},
    {0x80040405, "The stream formats are not compatible."},
    {0x80040406, "This sample already has a pending update."},
    {0x80040407, "The object can't accept the call because its initialize function or "
                 "equivalent has not been called."},
    {0x80040408, "Source already defined."},
    {0x80040409, "The stream type is not valid for this operation."},
    {0x8004040A, "The IMultiMediaStream object is not in running state."},
    {0x80070057, "One of the parameters is invalid."},
};

int32_t openErrorCode(int libraryError) {
    if (libraryError < 1 || libraryError > 0x1FF)
        return StreamOpenFailed;
    return StreamOpenFailed + libraryError;
}

// A sample of a codec that decodes in floating point, at the 16-bit scale the decoder
// library uses for those codecs (full scale 1.0 is 32767), rounded to nearest. Lossy coding
// rings past full scale on loud material; those peaks are clamped, where a plain conversion
// would wrap them into a full-scale click of the other sign.
int16_t floatTo16(float sample) {
    const float scaled = sample * 32767.0f;
    if (scaled >= 32767.0f)
        return 32767;
    if (scaled <= -32768.0f)
        return -32768;
    if (std::isnan(scaled))
        return 0;
    return static_cast<int16_t>(std::lrintf(scaled));
}

// Little-endian stores, independent of the host's byte order.
template <typename Unsigned> void storeLittleEndian(std::byte* out, Unsigned value) {
    for (size_t i = 0; i < sizeof(Unsigned); ++i)
        out[i] = static_cast<std::byte>((value >> (8 * i)) & 0xFF);
}

} // namespace

bool isLossyCodec(int subFormat) {
    switch (subFormat) {
    case SF_FORMAT_VORBIS:
    case SF_FORMAT_OPUS:
    case SF_FORMAT_MPEG_LAYER_I:
    case SF_FORMAT_MPEG_LAYER_II:
    case SF_FORMAT_MPEG_LAYER_III:
        return true;
    default:
        return false;
    }
}

void checkStreamResult(int32_t code) {
    if (code == 0)
        return;
    const auto key = static_cast<uint32_t>(code);
    const auto* entry = std::find_if(std::begin(ResultTexts), std::end(ResultTexts),
                                     [key](const ResultText& r) { return r.code == key; });
    const char* text = entry != std::end(ResultTexts) ? entry->text : "Unrecognized error value.";
    throw AudioReadError(text, code);
}

void AudioFileReader::FileCloser::operator()(SNDFILE* file) const {
    sf_close(file);
}

AudioFileReader::AudioFileReader(const std::string& fileName) : FileName_(fileName) {
    SF_INFO info{};
    SndfileOpenResult opened = openSndfile(fileName, SFM_READ, info);
    file_.reset(opened.file);
    if (!file_) {
        if (opened.reason.empty())
            opened.reason = "The file could not be opened as audio.";
        throw AudioReadError(opened.reason, openErrorCode(opened.error));
    }
    // Rewinding is how a channel loops and restarts, so a stream that cannot seek is of
    // no use to it; refuse it here rather than fail later on the refill thread.
    if (!info.seekable)
        checkStreamResult(StreamNotSeekable);
    setFormat(info.channels, info.samplerate, info.format & SF_FORMAT_SUBMASK);
    // Float reads at full scale 1.0, which floatTo16 relies on.
    sf_command(file_.get(), SFC_SET_NORM_FLOAT, nullptr, SF_TRUE);

    frames_ = info.frames;
    if (frames_ < 0 || frames_ >= MaxPlausibleFrames)
        frames_ = countFrames();
    StreamDuration_ = frameTime(frames_);
}

AudioFileReader::~AudioFileReader() = default;

void AudioFileReader::setFormat(int channels, int rate, int subFormat) {
    if (channels < 1 || channels > std::numeric_limits<uint16_t>::max() || rate < 1)
        checkStreamResult(StreamFormatsIncompatible);

    uint16_t bits = 16;
    uint16_t tag = WaveFormatPcm;
    size_t decodedSize = sizeof(short);
    switch (subFormat) {
    case SF_FORMAT_PCM_S8:
    case SF_FORMAT_PCM_U8:
        kind_ = SampleKind::Unsigned8;
        bits = 8;
        break;
    case SF_FORMAT_PCM_24:
    case SF_FORMAT_DWVW_24:
    case SF_FORMAT_ALAC_20:
    case SF_FORMAT_ALAC_24:
        kind_ = SampleKind::Signed24;
        bits = 24;
        decodedSize = sizeof(int);
        break;
    case SF_FORMAT_PCM_32:
    case SF_FORMAT_ALAC_32:
    case SF_FORMAT_DWVW_N:
        kind_ = SampleKind::Signed32;
        bits = 32;
        decodedSize = sizeof(int);
        break;
    case SF_FORMAT_FLOAT:
        kind_ = SampleKind::Float32;
        bits = 32;
        tag = 3; // IEEE float
        decodedSize = sizeof(float);
        break;
    case SF_FORMAT_DOUBLE:
        kind_ = SampleKind::Float64;
        bits = 64;
        tag = 3;
        decodedSize = sizeof(double);
        break;
    case SF_FORMAT_VORBIS:
    case SF_FORMAT_OPUS:
    case SF_FORMAT_MPEG_LAYER_I:
    case SF_FORMAT_MPEG_LAYER_II:
    case SF_FORMAT_MPEG_LAYER_III:
        // The library's own 16-bit conversion for these wraps what lies past full scale.
        kind_ = SampleKind::FloatTo16;
        decodedSize = sizeof(float);
        break;
    default:
        // 16-bit PCM and the compressed encodings whose decoders deliver 16-bit integers
        // (ADPCM, mu-law, A-law, GSM, ...): exact, and never beyond full scale.
        kind_ = SampleKind::Signed16;
        break;
    }

    const uint64_t blockAlign = uint64_t(channels) * bits / 8;
    const uint64_t bytesPerSec = blockAlign * uint64_t(rate);
    if (blockAlign > std::numeric_limits<uint16_t>::max() ||
        bytesPerSec > std::numeric_limits<uint32_t>::max())
        checkStreamResult(StreamFormatsIncompatible);

    Format_ = WaveFormat::pcm(static_cast<uint16_t>(channels), static_cast<uint32_t>(rate), bits);
    Format_.wFormatTag = tag;
    channels_ = channels;

    const size_t frameBytes = decodedSize * size_t(channels);
    scratchFrames_ = std::max<size_t>(1, ScratchBytes / frameBytes);
    scratch_ = std::make_unique<std::byte[]>(scratchFrames_ * frameBytes);
}

int64_t AudioFileReader::countFrames() {
    std::vector<short> block(size_t(channels_) * 4096);
    int64_t total = 0;
    for (;;) {
        const sf_count_t got = sf_readf_short(file_.get(), block.data(), 4096);
        if (got <= 0)
            break;
        total += got;
    }
    if (sf_seek(file_.get(), 0, SEEK_SET) < 0)
        checkStreamResult(StreamNotSeekable);
    return total;
}

// Stream time of a frame boundary, truncated to whole 100 ns units; split so that no
// length a file can hold overflows.
int64_t AudioFileReader::frameTime(int64_t frame) const {
    const int64_t rate = Format_.nSamplesPerSec;
    return frame / rate * TimeUnitsPerSecond + frame % rate * TimeUnitsPerSecond / rate;
}

// The first frame that begins at or after `time`; the inverse of frameTime for every
// rate up to 10 MHz, so a seek to a block's start time lands exactly on that block.
int64_t AudioFileReader::timeFrame(int64_t time) const {
    const int64_t rate = Format_.nSamplesPerSec;
    const int64_t whole = time / TimeUnitsPerSecond * rate;
    const int64_t part =
        (time % TimeUnitsPerSecond * rate + TimeUnitsPerSecond - 1) / TimeUnitsPerSecond;
    return std::min(whole + part, frames_);
}

// Only whole frames are delivered: a request that is not a multiple of nBlockAlign reads
// the whole frames it holds and leaves the rest of the buffer untouched. A request too
// small for one frame would have to return 0, which the channel takes for the end of the
// stream, so it is refused like an empty one.
uint32_t AudioFileReader::read(void* buffer, uint32_t size) {
    if (size == 0)
        checkStreamResult(StreamInvalidBufferSize);
    if (!buffer)
        checkStreamResult(StreamInvalidPointer);
    const uint64_t wanted = size / Format_.nBlockAlign;
    if (wanted == 0)
        checkStreamResult(StreamInvalidBufferSize);

    const uint64_t got = decode(static_cast<std::byte*>(buffer), wanted);
    if (got == 0)
        return 0;
    SampleStartTime_ = frameTime(framePos_);
    framePos_ += static_cast<int64_t>(got);
    SampleEndTime_ = frameTime(framePos_);
    StreamPosition_ = SampleEndTime_;
    return static_cast<uint32_t>(got * Format_.nBlockAlign);
}

void AudioFileReader::seek(int64_t time) {
    if (time == StreamPosition_)
        return;
    time = std::clamp<int64_t>(time, 0, StreamDuration_);
    const int64_t frame = timeFrame(time);
    if (sf_seek(file_.get(), frame, SEEK_SET) < 0)
        checkStreamResult(StreamNotSeekable);
    framePos_ = frame;
    StreamPosition_ = time;
}

// Decodes up to `frames` frames into `out` and returns how many it wrote; fewer only at
// the end of the stream. The library may return short counts before the end for some
// codecs, so every path keeps asking until the request is met or nothing comes.
uint64_t AudioFileReader::decode(std::byte* out, uint64_t frames) {
    SNDFILE* file = file_.get();
    switch (kind_) {
    case SampleKind::Signed16:
        if (std::endian::native == std::endian::little &&
            reinterpret_cast<uintptr_t>(out) % alignof(short) == 0) {
            // Straight into the caller's memory: the library's shorts are the PCM bytes.
            auto* samples = reinterpret_cast<short*>(out);
            uint64_t done = 0;
            while (done < frames) {
                const sf_count_t got = sf_readf_short(file, samples + done * channels_,
                                                      static_cast<sf_count_t>(frames - done));
                if (got <= 0)
                    break;
                done += static_cast<uint64_t>(got);
            }
            return done;
        }
        return decodeThroughScratch<short>(out, frames, sf_readf_short, [](std::byte* o, short s) {
            storeLittleEndian(o, static_cast<uint16_t>(s));
        });
    case SampleKind::FloatTo16:
        return decodeThroughScratch<float>(out, frames, sf_readf_float, [](std::byte* o, float s) {
            storeLittleEndian(o, static_cast<uint16_t>(floatTo16(s)));
        });
    case SampleKind::Unsigned8:
        // The library widens 8-bit samples to v << 8 exactly, so the top byte is the
        // signed sample and +128 gives the unsigned one back bit for bit.
        return decodeThroughScratch<short>(out, frames, sf_readf_short, [](std::byte* o, short s) {
            *o = static_cast<std::byte>((s >> 8) + 128);
        });
    case SampleKind::Signed24:
        // Integers come left-justified; the top three bytes are the 24-bit sample.
        return decodeThroughScratch<int>(out, frames, sf_readf_int, [](std::byte* o, int s) {
            const auto u = static_cast<uint32_t>(s);
            o[0] = static_cast<std::byte>((u >> 8) & 0xFF);
            o[1] = static_cast<std::byte>((u >> 16) & 0xFF);
            o[2] = static_cast<std::byte>((u >> 24) & 0xFF);
        });
    case SampleKind::Signed32:
        return decodeThroughScratch<int>(out, frames, sf_readf_int, [](std::byte* o, int s) {
            storeLittleEndian(o, static_cast<uint32_t>(s));
        });
    case SampleKind::Float32:
        return decodeThroughScratch<float>(out, frames, sf_readf_float, [](std::byte* o, float s) {
            storeLittleEndian(o, std::bit_cast<uint32_t>(s));
        });
    case SampleKind::Float64:
        return decodeThroughScratch<double>(
            out, frames, sf_readf_double,
            [](std::byte* o, double s) { storeLittleEndian(o, std::bit_cast<uint64_t>(s)); });
    }
    return 0;
}

template <typename Sample, typename ReadFn, typename StoreFn>
uint64_t AudioFileReader::decodeThroughScratch(std::byte* out, uint64_t frames, ReadFn read,
                                               StoreFn store) {
    auto* samples = reinterpret_cast<Sample*>(scratch_.get());
    const size_t sampleBytes = Format_.wBitsPerSample / 8;
    uint64_t done = 0;
    while (done < frames) {
        const uint64_t chunk = std::min(frames - done, scratchFrames_);
        const sf_count_t got = read(file_.get(), samples, static_cast<sf_count_t>(chunk));
        if (got <= 0)
            break;
        const size_t count = static_cast<size_t>(got) * size_t(channels_);
        for (size_t i = 0; i < count; ++i) {
            store(out, samples[i]);
            out += sampleBytes;
        }
        done += static_cast<uint64_t>(got);
    }
    return done;
}

} // namespace ws
