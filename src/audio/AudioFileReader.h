// Decodes one audio file to PCM blocks for a mixer channel: the file's own format,
// 8-bit unsigned or 16-bit signed (wider and float files report their own width so that
// the channel can reject them), sequential reads straight into the caller's memory, the
// stream times of each block, and a seek that the channel uses to rewind.
//
// Times are 100-nanosecond units (10,000 per millisecond): frames x 10,000,000 / rate.
// Not thread-safe: the channel serialises every call under its own lock.
#pragma once

#include "WaveFormat.h"

#include <cstdint>
#include <string>

typedef struct sf_private_tag SNDFILE;

namespace ws {

// The reader's own result code for a read request of 0 bytes.
inline constexpr int32_t StreamInvalidBufferSize = 0x08000001;
inline constexpr int32_t StreamEndOfStream = 0x00040003; // MS_S_ENDOFSTREAM
inline constexpr int32_t StreamNoStream = static_cast<int32_t>(0x80040403);

// Returns when `code` is 0; otherwise raises AudioReadError with the text of the
// decoder's table ("Unrecognized error value." for a code it does not know).
void checkStreamResult(int32_t code);

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
    // Implementation state (decoder handle, frame counters) is added by the
    // implementation; the public interface above is what the channel relies on.
    SNDFILE* file_ = nullptr;
};

} // namespace ws
