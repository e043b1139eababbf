// Measures one sound file for the asset checker: the decoder decides whether the file opens
// and what format it delivers; libsndfile then decodes it once more (as 16-bit integers
// where every sample lies on that grid, else as float; reported on one scale, full scale
// 1.0) in a streaming pass that gathers the sample statistics, the seam and the loudness.
// Files read as float take a second pass to pin down the typical step exactly.
#include "check/AudioMeasure.h"

#include "audio/AudioErrors.h"
#include "audio/AudioFileReader.h"
#include "audio/SecondaryBuffer.h"

#include <ebur128.h>
#include <sndfile.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

namespace ws::check {

namespace {

struct FileCloser {
    void operator()(SNDFILE* file) const { sf_close(file); }
};
using FilePtr = std::unique_ptr<SNDFILE, FileCloser>;

struct MeterCloser {
    void operator()(ebur128_state* meter) const { ebur128_destroy(&meter); }
};
using MeterPtr = std::unique_ptr<ebur128_state, MeterCloser>;

// Samples per library read: large enough that call overhead vanishes, small enough to stay
// in the first-level cache with the per-channel state.
constexpr std::size_t BlockSamples = 8192;

// The loudness meter allocates 400 ms of history per channel up front; a header claiming a
// rate far beyond real audio would make that allocation huge for a file that holds little.
constexpr unsigned long MaxMeterRate = 384'000;
constexpr unsigned MaxMeterChannels = 64; // the meter's own limit

std::string widthName(int subFormat) {
    switch (subFormat) {
    case SF_FORMAT_PCM_S8:
    case SF_FORMAT_PCM_U8:
    case SF_FORMAT_DPCM_8:
        return "8-bit";
    case SF_FORMAT_PCM_16:
    case SF_FORMAT_DPCM_16:
    case SF_FORMAT_DWVW_16:
    case SF_FORMAT_ALAC_16:
        return "16-bit";
    case SF_FORMAT_ALAC_20:
        return "20-bit";
    case SF_FORMAT_PCM_24:
    case SF_FORMAT_DWVW_24:
    case SF_FORMAT_ALAC_24:
        return "24-bit";
    case SF_FORMAT_PCM_32:
    case SF_FORMAT_ALAC_32:
        return "32-bit";
    case SF_FORMAT_DWVW_12:
        return "12-bit";
    default:
        return "";
    }
}

// The encoding as an author would name it; the container is left out except where the
// container is the codec (FLAC).
std::string encodingName(int format) {
    const int major = format & SF_FORMAT_TYPEMASK;
    const int sub = format & SF_FORMAT_SUBMASK;
    if (major == SF_FORMAT_FLAC)
        return widthName(sub).empty() ? "FLAC" : "FLAC " + widthName(sub);
    switch (sub) {
    case SF_FORMAT_PCM_S8:
    case SF_FORMAT_PCM_16:
    case SF_FORMAT_PCM_24:
    case SF_FORMAT_PCM_32:
        return "PCM " + widthName(sub);
    case SF_FORMAT_PCM_U8:
        return "PCM 8-bit unsigned";
    case SF_FORMAT_FLOAT:
        return "float 32-bit";
    case SF_FORMAT_DOUBLE:
        return "float 64-bit";
    case SF_FORMAT_ULAW:
        return "u-law";
    case SF_FORMAT_ALAW:
        return "A-law";
    case SF_FORMAT_IMA_ADPCM:
        return "IMA ADPCM";
    case SF_FORMAT_MS_ADPCM:
        return "MS ADPCM";
    case SF_FORMAT_GSM610:
        return "GSM 6.10";
    case SF_FORMAT_VOX_ADPCM:
        return "OKI ADPCM";
    case SF_FORMAT_NMS_ADPCM_16:
    case SF_FORMAT_NMS_ADPCM_24:
    case SF_FORMAT_NMS_ADPCM_32:
        return "NMS ADPCM";
    case SF_FORMAT_G721_32:
        return "G.721 ADPCM";
    case SF_FORMAT_G723_24:
    case SF_FORMAT_G723_40:
        return "G.723 ADPCM";
    case SF_FORMAT_DWVW_12:
    case SF_FORMAT_DWVW_16:
    case SF_FORMAT_DWVW_24:
        return "DWVW " + widthName(sub);
    case SF_FORMAT_DWVW_N:
        return "DWVW";
    case SF_FORMAT_DPCM_8:
    case SF_FORMAT_DPCM_16:
        return "DPCM " + widthName(sub);
    case SF_FORMAT_VORBIS:
        return "Vorbis";
    case SF_FORMAT_OPUS:
        return "Opus";
    case SF_FORMAT_ALAC_16:
    case SF_FORMAT_ALAC_20:
    case SF_FORMAT_ALAC_24:
    case SF_FORMAT_ALAC_32:
        return "ALAC " + widthName(sub);
    case SF_FORMAT_MPEG_LAYER_I:
        return "MPEG Layer I";
    case SF_FORMAT_MPEG_LAYER_II:
        return "MPEG Layer II";
    case SF_FORMAT_MPEG_LAYER_III:
        return "MP3";
    default:
        break;
    }
    // An encoding newer than this table: the library's own name for it.
    SF_FORMAT_INFO info{};
    info.format = sub;
    if (sf_command(nullptr, SFC_GET_FORMAT_INFO, &info, sizeof(info)) == 0 && info.name)
        return info.name;
    return "unknown encoding";
}

// The threshold below which a level counts as silence, in a sample type's own units: the
// largest value that is not above SilenceLevel (32 codes for 16-bit samples).
template <typename Sample> Sample silenceThreshold(double scale) {
    if constexpr (std::is_integral_v<Sample>) {
        return static_cast<Sample>(std::floor(SilenceLevel / scale));
    } else {
        float t = static_cast<float>(SilenceLevel);
        return double(t) > SilenceLevel ? std::nextafter(t, 0.0f) : t;
    }
}

// Clipping, in a sample type's own units. The positive rail is the largest code of the
// delivered width: 16-bit samples are read as they are and 8-bit ones widened to v << 8, so
// it is 32767 or 32512 (127/128 of full scale). Wider integers are read as float scaled by
// 2^-(bits-1), which puts their largest code exactly on (2^(bits-1) - 1) / 2^(bits-1); for
// 32 bits that rounds to 1.0, as the library's own samples do. Float files have no largest
// code, so their rail is 1.0 itself. The negative rail is always full scale, -1.0.
struct Rails {
    double high = 1.0;
    double low = -1.0;
};

Rails railsFor(const WaveFormat& format) {
    if (format.wFormatTag != WaveFormatPcm || format.wBitsPerSample < 2)
        return {};
    const int bits = std::min<int>(format.wBitsPerSample, 32);
    return {static_cast<float>(1.0 - std::ldexp(1.0, 1 - bits)), -1.0};
}

// Histogram counts reused across the files one thread measures: a fresh table for every file
// would cost more in page faults than measuring a short file does. Each user clears only
// what the one before it touched.
struct CountTable {
    std::vector<uint64_t> counts;
    std::size_t dirty = 0; // entries from here on are zero
};

class Counts {
public:
    Counts(CountTable& table, std::size_t size) : table_(table) {
        if (table_.counts.size() < size)
            table_.counts.resize(size, 0);
        std::fill_n(table_.counts.begin(), std::min(table_.dirty, table_.counts.size()), 0);
        table_.dirty = 0;
        data_ = table_.counts.data();
    }
    ~Counts() { table_.dirty = end_; }
    Counts(const Counts&) = delete;
    Counts& operator=(const Counts&) = delete;

    // Raw access for the hot loops, which report how far they wrote.
    uint64_t* data() { return data_; }
    void touched(std::size_t end) { end_ = std::max(end_, end); }

    // The entry holding the `rank`-th smallest value (from 0) and the rank within that
    // entry; nothing when fewer values were counted.
    std::optional<std::pair<std::size_t, uint64_t>> find(uint64_t rank) const {
        for (std::size_t i = 0; i < end_; ++i) {
            if (rank < data_[i])
                return std::pair{i, rank};
            rank -= data_[i];
        }
        return std::nullopt;
    }

private:
    CountTable& table_;
    uint64_t* data_ = nullptr;
    std::size_t end_ = 0;
};

// Nearest rank: the smallest value with at least 99% of all values at or below it.
uint64_t percentileRank(uint64_t count) {
    return (count * 99 + 99) / 100 - 1;
}

// The exact 99th percentile of the steps between 16-bit samples: one count per possible
// step, 0 to 65535 codes.
class CodeSteps {
public:
    CodeSteps() : counts_(table(), 65536) {}
    static std::size_t index(short x, short prev) { return std::size_t(std::abs(x - prev)); }
    uint64_t* data() { return counts_.data(); }
    void touched(std::size_t end) { counts_.touched(end); }

    double value(uint64_t count, double scale) const {
        const auto found = count > 0 ? counts_.find(percentileRank(count)) : std::nullopt;
        return found ? double(found->first) * scale : 0.0;
    }

private:
    static CountTable& table() {
        thread_local CountTable t;
        return t;
    }
    Counts counts_;
};

// The exact 99th percentile of float steps in constant memory: a histogram of the upper half
// of each value's bits finds the bucket holding the wanted rank, and a second look at the same
// values (a second decoding pass) counts the lower halves inside that bucket. The bits of a
// non-negative float order like its value, NaN above infinity, so odd float files cannot
// upset the ordering the way they would upset a sort.
class FloatSteps {
public:
    FloatSteps() : coarse_(table(0), Buckets) {}
    static uint32_t bits(float x, float prev) {
        return std::bit_cast<uint32_t>(std::fabs(x - prev));
    }
    static std::size_t index(float x, float prev) { return bits(x, prev) >> 16; }
    uint64_t* data() { return coarse_.data(); }
    void touched(std::size_t end) { coarse_.touched(end); }

    // After the first pass: chooses the bucket that the second pass refines.
    void locate(uint64_t count) {
        if (const auto found = coarse_.find(percentileRank(count))) {
            bucket_ = static_cast<uint32_t>(found->first);
            rankInBucket_ = found->second;
        }
        fine_.emplace(table(1), 65536);
    }
    void refine(float x, float prev) {
        const uint32_t b = bits(x, prev);
        if ((b >> 16) == bucket_) {
            ++fine_->data()[b & 0xFFFF];
            fine_->touched((b & 0xFFFF) + 1);
        }
    }

    double value(uint64_t count, double) const {
        if (count == 0)
            return 0;
        // When the second pass could not run, or the file changed between the passes, the
        // lower edge of the bucket stands in: within 1% of the answer.
        uint32_t low = 0;
        if (fine_) {
            if (const auto found = fine_->find(rankInBucket_))
                low = static_cast<uint32_t>(found->first);
        }
        return std::bit_cast<float>((bucket_ << 16) | low);
    }

private:
    // Non-negative floats have a clear sign bit: 15 bits above the lower half.
    static constexpr std::size_t Buckets = std::size_t{1} << 15;
    static CountTable& table(int which) {
        thread_local CountTable t[2];
        return t[which];
    }
    Counts coarse_;
    std::optional<Counts> fine_;
    uint32_t bucket_ = 0;
    uint64_t rankInBucket_ = 0;
};

// The standard's absolute gate: blocks below it are silence to the integrated figure.
constexpr double AbsoluteGateLufs = -70.0;

double loudnessOrNone(double lufs) {
    // The meter gives -HUGE_VAL for digital silence, but a window of silence after sound
    // holds the decaying ring of its filter and reads as some -1300 LUFS; the momentary
    // figures take the integrated figure's gate so that both call that silence. NaN comes
    // from a float file's NaN samples.
    return std::isfinite(lufs) && lufs >= AbsoluteGateLufs ? lufs : NoLoudness;
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

// One streaming pass over the file for everything but the typical step's exact value, and
// for float files a second one for that. `Sample` is short (read with sf_readf_short, one
// code = 1/32768) or float (sf_readf_float, full scale 1.0).
template <typename Sample> class Measurer {
    static constexpr bool Integral = std::is_integral_v<Sample>;
    using Level = std::conditional_t<Integral, int, float>;
    using Sum = std::conditional_t<Integral, int64_t, double>;
    using Steps = std::conditional_t<Integral, CodeSteps, FloatSteps>;
    static constexpr double Scale = Integral ? 1.0 / 32768 : 1.0;

public:
    Measurer(AudioMeasure& m, SNDFILE* file, const WaveFormat& format)
        : m_(m), file_(file), channels_(format.nChannels),
          block_(std::max<std::size_t>(BlockSamples / channels_, 1) * channels_), state_(channels_),
          silent_(silenceThreshold<Sample>(Scale)) {
        const Rails rails = railsFor(format);
        if constexpr (Integral) {
            clipHigh_ = static_cast<Sample>(std::ceil(rails.high / Scale));
            clipLow_ = static_cast<Sample>(rails.low / Scale);
        } else {
            clipHigh_ = static_cast<Sample>(rails.high);
            clipLow_ = static_cast<Sample>(rails.low);
        }
        blockFrames_ = block_.size() / channels_;
        const int64_t rate = format.nSamplesPerSec;
        pictureFrames_ =
            static_cast<std::size_t>(std::max<int64_t>(1, rate * SeamPictureMs / 1000));
        // The meter's own momentary window, (rate / 10 rounded) x 4, so that the head's
        // figure covers exactly the first full window.
        momentaryFrames_ = (rate + 5) / 10 * 4;
        if (rate <= static_cast<int64_t>(MaxMeterRate) && channels_ <= MaxMeterChannels)
            meter_.reset(ebur128_init(static_cast<unsigned>(channels_),
                                      static_cast<unsigned long>(rate), EBUR128_MODE_I));
    }

    void run() {
        firstPass();
        finishStatistics();
        finishLoudness();
        finishPicture();
        const uint64_t steps = frames_ > 1 ? uint64_t(frames_ - 1) * channels_ : 0;
        if constexpr (!Integral) {
            if (steps > 0)
                secondPass(steps);
        }
        m_.typicalStep = steps_.value(steps, Scale);
    }

private:
    struct ChannelState {
        Sum sum = 0;
        Sample first = 0;
        Sample prev = 0;
        int clipRun = 0;
        int clipSign = 0;
    };

    static sf_count_t read(SNDFILE* file, Sample* out, std::size_t frames) {
        if constexpr (Integral)
            return sf_readf_short(file, out, static_cast<sf_count_t>(frames));
        else
            return sf_readf_float(file, out, static_cast<sf_count_t>(frames));
    }

    static Level levelOf(Sample x) {
        if constexpr (Integral)
            return x < 0 ? -int(x) : int(x);
        else
            return std::fabs(x);
    }

    void firstPass() {
        for (;;) {
            const sf_count_t got = read(file_, block_.data(), blockFrames_);
            if (got <= 0)
                break;
            const auto n = static_cast<std::size_t>(got);
            if (frames_ == 0) {
                // The file's first frame has no step before it.
                for (std::size_t c = 0; c < channels_; ++c)
                    state_[c].first = state_[c].prev = block_[c];
                scan<false>(block_.data(), 1, 0);
                scan<true>(block_.data() + channels_, n - 1, 1);
            } else {
                scan<true>(block_.data(), n, frames_);
            }
            picture(block_.data(), n);
            meter(block_.data(), n);
            frames_ += got;
        }
    }

    // The sample statistics of `n` frames starting at frame `at` of the file, channel by
    // channel so that a channel's state stays in registers through the inner loop.
    template <bool WithSteps> void scan(const Sample* frames, std::size_t n, int64_t at) {
        if (n == 0)
            return;
        if (firstLoud_ < 0) {
            for (std::size_t i = 0; i < n * channels_; ++i) {
                if (levelOf(frames[i]) > silent_) {
                    firstLoud_ = at + static_cast<int64_t>(i / channels_);
                    break;
                }
            }
        }
        uint64_t* counts = steps_.data();
        std::size_t stepEnd = 0;
        Level peak = peak_;
        for (std::size_t c = 0; c < channels_; ++c) {
            ChannelState s = state_[c];
            std::ptrdiff_t lastLoud = -1;
            for (std::size_t f = 0; f < n; ++f) {
                const Sample x = frames[f * channels_ + c];
                const Level level = levelOf(x);
                peak = std::max(peak, level); // a NaN never wins this comparison
                lastLoud = level > silent_ ? std::ptrdiff_t(f) : lastLoud;
                s.sum += x;
                if (x >= clipHigh_ || x <= clipLow_) [[unlikely]] {
                    // A run is one channel's consecutive samples pinned at the same rail.
                    const int sign = x > 0 ? 1 : -1;
                    s.clipRun = s.clipRun > 0 && sign == s.clipSign ? s.clipRun + 1 : 1;
                    s.clipSign = sign;
                    if (s.clipRun == ClipRunSamples)
                        ++clippedRuns_;
                } else {
                    s.clipRun = 0;
                }
                if constexpr (WithSteps) {
                    const std::size_t i = Steps::index(x, s.prev);
                    ++counts[i];
                    stepEnd = std::max(stepEnd, i + 1);
                    s.prev = x;
                }
            }
            state_[c] = s;
            if (lastLoud >= 0)
                lastLoud_ = std::max(lastLoud_, at + lastLoud);
        }
        peak_ = peak;
        steps_.touched(stepEnd);
    }

    Sum frameSum(const Sample* frame) const {
        Sum sum = 0;
        for (std::size_t c = 0; c < channels_; ++c)
            sum += frame[c];
        return sum;
    }

    // Keeps the file's first frames and, in a ring, its last ones, as channel means; only the
    // frames of a block that can still be among the last are averaged.
    void picture(const Sample* frames, std::size_t n) {
        const double toMean = Scale / double(channels_);
        for (std::size_t f = 0; f < n && head_.size() < pictureFrames_; ++f)
            head_.push_back(static_cast<float>(double(frameSum(frames + f * channels_)) * toMean));
        for (std::size_t f = n > pictureFrames_ ? n - pictureFrames_ : 0; f < n; ++f) {
            const auto mean = static_cast<float>(double(frameSum(frames + f * channels_)) * toMean);
            // The ring grows with the file, so a header's claims cannot make it large.
            if (tail_.size() < pictureFrames_) {
                tail_.push_back(mean);
            } else {
                tail_[tailNext_] = mean;
                if (++tailNext_ == tail_.size())
                    tailNext_ = 0;
            }
        }
    }

    void meter(const Sample* samples, std::size_t n) {
        if (!meter_)
            return;
        // Split at the end of the first momentary window to read the head's loudness there.
        if (frames_ < momentaryFrames_ && frames_ + static_cast<int64_t>(n) >= momentaryFrames_) {
            const auto part = static_cast<std::size_t>(momentaryFrames_ - frames_);
            addToMeter(samples, part);
            double lufs = NoLoudness;
            if (ebur128_loudness_momentary(meter_.get(), &lufs) == EBUR128_SUCCESS)
                m_.headLufs = loudnessOrNone(lufs);
            samples += part * channels_;
            n -= part;
        }
        addToMeter(samples, n);
    }

    void addToMeter(const Sample* samples, std::size_t n) {
        if (n == 0)
            return;
        int result;
        if constexpr (Integral)
            result = ebur128_add_frames_short(meter_.get(), samples, n);
        else
            result = ebur128_add_frames_float(meter_.get(), samples, n);
        if (result != EBUR128_SUCCESS)
            throw std::bad_alloc(); // the meter's only failure while adding
    }

    void finishStatistics() {
        m_.frames = frames_;
        m_.seconds = m_.rate > 0 ? double(frames_) / m_.rate : 0;
        if (frames_ == 0)
            return;
        m_.peak = double(peak_) * Scale;
        m_.clippedRuns = clippedRuns_;
        double dc = 0;
        for (const ChannelState& s : state_) {
            const double mean = double(s.sum) * Scale / double(frames_);
            if (std::fabs(mean) > std::fabs(dc))
                dc = mean;
        }
        m_.dcOffset = dc;
        const auto ms = [this](int64_t frames) { return double(frames) * 1000.0 / m_.rate; };
        if (firstLoud_ < 0) {
            m_.leadingSilenceMs = m_.trailingSilenceMs = ms(frames_);
        } else {
            m_.leadingSilenceMs = ms(firstLoud_);
            m_.trailingSilenceMs = ms(frames_ - 1 - lastLoud_);
        }
        double seam = 0;
        for (const ChannelState& s : state_)
            seam = std::max(seam, std::fabs(double(s.first) - double(s.prev)) * Scale);
        m_.seamStep = seam;
    }

    void finishLoudness() {
        if (!meter_ || frames_ == 0)
            return;
        double lufs = NoLoudness;
        if (ebur128_loudness_global(meter_.get(), &lufs) == EBUR128_SUCCESS)
            m_.lufs = loudnessOrNone(lufs);
        if (frames_ >= momentaryFrames_) {
            if (ebur128_loudness_momentary(meter_.get(), &lufs) == EBUR128_SUCCESS)
                m_.tailLufs = loudnessOrNone(lufs);
            return;
        }
        // Shorter than one window: head and tail are the whole file. The meter takes whole
        // milliseconds; below one it also sees a little of the silence before the start.
        const auto ms = static_cast<unsigned long>(std::max<int64_t>(1, frames_ * 1000 / m_.rate));
        if (ebur128_loudness_window(meter_.get(), ms, &lufs) == EBUR128_SUCCESS)
            m_.headLufs = m_.tailLufs = loudnessOrNone(lufs);
    }

    void finishPicture() {
        if (frames_ == 0)
            return;
        // The ring's oldest entry is at tailNext_ once it has wrapped, else at 0.
        m_.seamPicture.reserve(tail_.size() + head_.size());
        m_.seamPicture.insert(m_.seamPicture.end(), tail_.begin() + tailNext_, tail_.end());
        m_.seamPicture.insert(m_.seamPicture.end(), tail_.begin(), tail_.begin() + tailNext_);
        m_.seamAt = m_.seamPicture.size();
        m_.seamPicture.insert(m_.seamPicture.end(), head_.begin(), head_.end());
    }

    // Decodes the same frames again and counts the steps that fall in the chosen bucket.
    void secondPass(uint64_t steps) {
        steps_.locate(steps);
        if (sf_seek(file_, 0, SEEK_SET) != 0)
            return;
        std::vector<Sample> prev(channels_);
        int64_t done = 0;
        while (done < frames_) {
            const auto want =
                static_cast<std::size_t>(std::min<int64_t>(int64_t(blockFrames_), frames_ - done));
            const sf_count_t got = read(file_, block_.data(), want);
            if (got <= 0)
                break;
            std::size_t start = 0;
            if (done == 0) {
                std::copy_n(block_.begin(), channels_, prev.begin());
                start = 1;
            }
            const auto n = static_cast<std::size_t>(got);
            for (std::size_t f = start; f < n; ++f) {
                const Sample* frame = block_.data() + f * channels_;
                for (std::size_t c = 0; c < channels_; ++c) {
                    steps_.refine(frame[c], prev[c]);
                    prev[c] = frame[c];
                }
            }
            done += got;
        }
    }

    AudioMeasure& m_;
    SNDFILE* file_;
    std::size_t channels_;
    std::vector<Sample> block_;
    std::size_t blockFrames_ = 0;
    std::vector<ChannelState> state_;
    Level silent_;
    Sample clipHigh_ = 0;
    Sample clipLow_ = 0;
    MeterPtr meter_;
    int64_t momentaryFrames_ = 0;
    std::size_t pictureFrames_ = 0;
    std::vector<float> head_;
    std::vector<float> tail_;
    std::size_t tailNext_ = 0;
    Steps steps_;
    int64_t frames_ = 0;
    Level peak_ = 0;
    int clippedRuns_ = 0;
    int64_t firstLoud_ = -1;
    int64_t lastLoud_ = -1;
};

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
    FilePtr file(sf_open(path.c_str(), SFM_READ, &info));
    // The decoder opened it a moment ago; failing now, or with another layout (which would
    // also break the frame arithmetic below), means the file changed or vanished since.
    if (!file) {
        m.error = sf_strerror(nullptr);
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

    if (onSixteenBitGrid(format, info.format & SF_FORMAT_SUBMASK))
        Measurer<short>(m, file.get(), format).run();
    else
        Measurer<float>(m, file.get(), format).run();
    return m;
}

} // namespace ws::check
