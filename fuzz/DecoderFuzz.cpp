// Fuzzes the audio decoder: the input is written to a file, which is opened and then read,
// sought and rewound in steps chosen from the input's hash. Refusing a file is correct for
// any input; a file that opens must keep the decoder's promises: a consistent format, never
// more bytes than asked nor a partial frame, nothing written past the whole frames asked
// for, times within the stream, and a rewind to a block's start time that gives the same
// block again where the codec allows it. (Whether a short read is the end for good, and
// whether a seek in a lossy stream is exact, is the library's affair: its MPEG decoder may
// fail a large request on a damaged stream and then serve a smaller one, or nothing after a
// seek.)
#include "FuzzCheck.h"
#include "FuzzScratch.h"

#include "audio/AudioErrors.h"
#include "audio/AudioFileReader.h"

#include <sndfile.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace ws::fuzz {
namespace {

constexpr int MaxSteps = 48;
constexpr uint32_t MaxRead = 16 * 1024;
constexpr size_t Guard = 64; // bytes around every read's target that it must leave alone
constexpr std::byte Fill{0xA5};
constexpr int64_t MaxExactRewindRate = 10'000'000; // a frame shorter than 100 ns has no time

struct Block {
    int64_t start = -1;
    uint32_t size = 0;
    std::vector<std::byte> bytes;
};

// False for the lossy codecs, whose seeks land exactly only in an intact stream.
bool exactSeeks(const std::string& fileName) {
    SF_INFO info{};
    const std::unique_ptr<SNDFILE, int (*)(SNDFILE*)> file(
        sf_open(fileName.c_str(), SFM_READ, &info), &sf_close);
    if (!file)
        return false;
    return !isLossyCodec(info.format & SF_FORMAT_SUBMASK);
}

class DecoderRun {
public:
    DecoderRun(AudioFileReader& reader, InputRandom& random)
        : r_(reader), random_(random), exactSeeks_(exactSeeks(reader.FileName())) {
        const WaveFormat& f = r_.Format();
        WS_FUZZ_CHECK(f.nChannels >= 1 && f.nSamplesPerSec >= 1);
        WS_FUZZ_CHECK(f.wBitsPerSample == 8 || f.wBitsPerSample == 16 || f.wBitsPerSample == 24 ||
                      f.wBitsPerSample == 32 || f.wBitsPerSample == 64);
        WS_FUZZ_CHECK(f.nBlockAlign == f.nChannels * f.wBitsPerSample / 8);
        WS_FUZZ_CHECK(f.nAvgBytesPerSec == f.nSamplesPerSec * f.nBlockAlign);
        WS_FUZZ_CHECK(r_.StreamPosition() == 0 && r_.StreamDuration() >= 0);
    }

    void run() {
        for (int step = 0; step < MaxSteps; ++step) {
            const uint64_t choice = random_.below(10);
            if (choice < 7)
                read(readSize());
            else if (choice < 9)
                seek();
            else
                rewind();
        }
    }

private:
    uint32_t readSize() {
        const uint32_t align = r_.Format().nBlockAlign;
        switch (random_.below(4)) {
        case 0: // whole frames
            return align * static_cast<uint32_t>(1 + random_.below(std::max(1u, MaxRead / align)));
        case 1: // smaller than a frame, or just one
            return static_cast<uint32_t>(1 + random_.below(align));
        default:
            return static_cast<uint32_t>(1 + random_.below(MaxRead));
        }
    }

    // One read into a buffer at an odd or even address, with guard bytes on both sides.
    Block read(uint32_t size) {
        const uint32_t align = r_.Format().nBlockAlign;
        const size_t offset = Guard + random_.below(4);
        std::vector<std::byte> buffer(offset + size + Guard, Fill);
        const int64_t before = r_.StreamPosition();
        uint32_t got = 0;
        try {
            got = r_.read(buffer.data() + offset, size);
        } catch (const AudioReadError& e) {
            // Refused only when the request holds no whole frame.
            WS_FUZZ_CHECK(size < align && e.ErrorCode == StreamInvalidBufferSize);
            return {};
        }
        WS_FUZZ_CHECK(size >= align);
        WS_FUZZ_CHECK(got <= size && got % align == 0);
        // At the end of the stream the library may clear the rest of the whole frames asked
        // for; the part of a frame after them, and everything around, stays as it was.
        for (size_t i = 0; i < buffer.size(); ++i)
            if (i < offset || i >= offset + size / align * align)
                WS_FUZZ_CHECK(buffer[i] == Fill);
        if (got == 0) {
            WS_FUZZ_CHECK(r_.StreamPosition() == before);
            return {};
        }
        WS_FUZZ_CHECK(r_.SampleStartTime() <= r_.SampleEndTime());
        WS_FUZZ_CHECK(r_.SampleEndTime() == r_.StreamPosition());
        WS_FUZZ_CHECK(r_.StreamPosition() <= r_.StreamDuration());
        return {r_.SampleStartTime(), size,
                std::vector<std::byte>(buffer.begin() + static_cast<ptrdiff_t>(offset),
                                       buffer.begin() + static_cast<ptrdiff_t>(offset + got))};
    }

    // Anywhere in and a little beyond the stream; the position is clamped to it.
    void seek() {
        const int64_t duration = r_.StreamDuration();
        const int64_t span = duration + duration / 4 + 2;
        const int64_t time =
            static_cast<int64_t>(random_.below(static_cast<uint64_t>(span))) - duration / 8 - 1;
        r_.seek(time);
        WS_FUZZ_CHECK(r_.StreamPosition() == std::clamp<int64_t>(time, 0, duration));
    }

    // Reads a block, seeks back to its start time and reads it again.
    void rewind() {
        const Block first = read(readSize());
        if (!exactSeeks_ || first.bytes.empty() || r_.Format().nSamplesPerSec > MaxExactRewindRate)
            return;
        WS_FUZZ_CHECK(first.start != r_.StreamPosition());
        r_.seek(first.start);
        const Block again = read(first.size);
        WS_FUZZ_CHECK(again.start == first.start);
        WS_FUZZ_CHECK(again.bytes == first.bytes);
    }

    AudioFileReader& r_;
    InputRandom& random_;
    const bool exactSeeks_;
};

ScratchFolder& scratch() {
    static ScratchFolder folder("decoder");
    return folder;
}

} // namespace
} // namespace ws::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace ws;
    using namespace ws::fuzz;
    InputRandom random(data, size);
    // The library guesses a few formats from the name alone, MPEG among them.
    const char* name = random.below(8) == 0 ? "input.mp3" : "input.wav";
    const std::filesystem::path path = scratch().emptied() / name;
    writeFile(path, data, size);
    try {
        AudioFileReader reader(path.string());
        DecoderRun(reader, random).run();
    } catch (const AudioReadError&) {
        // Refusing a file at opening, or a seek the library cannot do, is the documented
        // answer to a bad file.
    }
    return 0;
}
