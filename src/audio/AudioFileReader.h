// Decodes one audio file to PCM blocks for a mixer channel: the file's own format,
// 8-bit unsigned or 16-bit signed (wider and float files report their own width so that
// the channel can reject them), sequential reads straight into the caller's memory, the
// stream times of each block, and a seek that the channel uses to rewind.
//
// Times are 100-nanosecond units (10,000 per millisecond): frames x 10,000,000 / rate.
// Not thread-safe: the channel serialises every call under its own lock.
#pragma once

#include "WaveFormat.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

typedef struct sf_private_tag SNDFILE;

namespace ws {

// The reader's own result code for a read request of 0 bytes.
inline constexpr int32_t StreamInvalidBufferSize = 0x08000001;
inline constexpr int32_t StreamEndOfStream = 0x00040003; // MS_S_ENDOFSTREAM
inline constexpr int32_t StreamNoStream = static_cast<int32_t>(0x80040403);
// A file the decoder cannot open: this base plus the decoder library's own error number
// (1 to 0x1FF; the base alone when it gives none). The message is the library's own text,
// for example "Format not recognised." or "Error in WAV file. No 'data' chunk marker.".
inline constexpr int32_t StreamOpenFailed = static_cast<int32_t>(0x80040200);

// Returns when `code` is 0; otherwise raises AudioReadError with the text of the
// decoder's table ("Unrecognized error value." for a code it does not know).
void checkStreamResult(int32_t code);

// True for libsndfile's lossy codecs (Vorbis, Opus, MPEG layers): their samples may pass
// full scale, and a seek lands exactly only in an intact stream. `subFormat` is an
// SF_FORMAT_* sub-format value.
bool isLossyCodec(int subFormat);

class AudioFileReader {
public:
    // Opens and prepares the file; raises AudioReadError on any failure.
    explicit AudioFileReader(const std::string& fileName);
    ~AudioFileReader();
    AudioFileReader(const AudioFileReader&) = delete;
    AudioFileReader& operator=(const AudioFileReader&) = delete;

    // Decodes up to `size` bytes into `buffer`; fills the whole request while the stream
    // lasts, returns 0 once nothing is left. Raises "Invalid buffer size." for size 0.
    uint32_t read(void* buffer, uint32_t size);
    // Moves to `time` (clamped to 0..StreamDuration); a seek to the current position
    // does nothing.
    void seek(int64_t time);

    const WaveFormat& Format() const { return Format_; }
    const std::string& FileName() const { return FileName_; }
    int64_t StreamDuration() const { return StreamDuration_; }
    int64_t StreamPosition() const { return StreamPosition_; }
    int64_t SampleStartTime() const { return SampleStartTime_; }
    int64_t SampleEndTime() const { return SampleEndTime_; }

private:
    WaveFormat Format_;
    std::string FileName_;
    int64_t StreamDuration_ = 0;
    int64_t StreamPosition_ = 0;
    int64_t SampleStartTime_ = 0;
    int64_t SampleEndTime_ = 0;
    // How the decoded samples are delivered: the file's own width, 8-bit unsigned for
    // 8-bit files and 16-bit signed for 16-bit and compressed ones. Codecs that decode in
    // floating point (Vorbis, Opus, MPEG) are read as float and brought to 16 bits here
    // (FloatTo16), because their peaks may lie beyond full scale.
    enum class SampleKind { Unsigned8, Signed16, FloatTo16, Signed24, Signed32, Float32, Float64 };

    struct FileCloser {
        void operator()(SNDFILE* file) const;
    };

    void setFormat(int channels, int rate, int subFormat);
    int64_t countFrames();
    uint64_t decode(std::byte* out, uint64_t frames);
    template <typename Sample, typename ReadFn, typename StoreFn>
    uint64_t decodeThroughScratch(std::byte* out, uint64_t frames, ReadFn read, StoreFn store);
    int64_t frameTime(int64_t frame) const;
    int64_t timeFrame(int64_t time) const;

    std::unique_ptr<SNDFILE, FileCloser> file_;
    SampleKind kind_ = SampleKind::Signed16;
    int channels_ = 0;
    int64_t frames_ = 0;   // frames in the stream, fixed at opening
    int64_t framePos_ = 0; // frame at which the next read begins
    // Fixed decode space for the widths that cannot be decoded straight into the caller's
    // memory; allocated once at opening so that reads never allocate.
    std::unique_ptr<std::byte[]> scratch_;
    uint64_t scratchFrames_ = 0;
};

} // namespace ws
