// The position map of a mixer channel: a circular record of the last 50 pieces written into
// the channel's ring buffer, each a byte range of the ring with the stream-time range of
// the data it holds. It turns the play cursor (a byte offset in the ring) into the file
// time being heard.
//
// A run of back-to-back whole repetitions of the same data (a short looping file) is kept
// as one periodic piece, so that a ring full of a file only a few samples long still fits
// in the map; a run of such pieces maps exactly as the separate pieces would.
//
// Fixed capacity, no allocation, no lock: the channel uses it only under its own lock.
#pragma once

#include <array>
#include <cstdint>

namespace ws {

class PositionMap {
public:
    static constexpr int Capacity = 50;

    // Records the ring bytes [posStart, posEnd) as holding the stream times
    // [timeStart, timeEnd) (100-ns units). Raises an internal error for an empty or
    // reversed range; the failed slot is then overwritten by the next call.
    void addPosTime(int32_t posStart, int32_t posEnd, int64_t timeStart, int64_t timeEnd);

    // The stream time in ms of ring byte `pos`, from the newest piece that contains it,
    // interpolated linearly over the piece's bytes. Raises an internal error when none of
    // the 49 newest pieces contains it.
    int32_t getPosTime(int32_t pos) const;

    // The slot the next addPosTime writes (0..49).
    int Next() const { return Next_; }

private:
    struct Slot {
        int32_t PosStart = 0;
        int32_t PosEnd = 0;
        int64_t TimeStart = 0;
        int64_t TimeEnd = 0;
        // Bytes of one repetition when the piece is a run of whole repetitions; 0 otherwise.
        int32_t Period = 0;
    };

    bool extendsNewest(int32_t posStart, int32_t posEnd, int64_t timeStart, int64_t timeEnd) const;

    int Next_ = 0;
    std::array<Slot, Capacity> slots_{};
};

} // namespace ws
