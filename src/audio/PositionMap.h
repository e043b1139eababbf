// The position map of a mixer channel: a circular record of the last 50 pieces written into
// the channel's ring buffer, each a byte range of the ring with the stream-time range of
// the data it holds. It turns the play cursor (a byte offset in the ring) into the file
// time being heard.
//
// A piece that carries on the newest one (the next bytes of the ring holding the stream
// where that one stopped, or, for a looping file, its start again) joins it instead of
// taking a slot of its own. A slot thus holds a stretch of stream played straight through,
// or a looping file's run: the tail of one repetition, whole repetitions of a fixed number
// of bytes, and a partial one. Refill passes of any size, at any playback rate, then cost
// a slot or two per pass that wraps round the ring, so the map never runs out of reach of
// the cursor. Runs of silence join likewise. Lookups give what the separate pieces would,
// to within the rounding of the stream times.
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
    // [timeStart, timeEnd] (100-ns units). Raises an internal error for an empty or
    // reversed range; the failed slot is then overwritten by the next call.
    void addPosTime(int32_t posStart, int32_t posEnd, int64_t timeStart, int64_t timeEnd);

    // The stream time in ms of ring byte `pos`, from the newest piece that contains it,
    // interpolated linearly over the piece's bytes. Raises an internal error when none of
    // the 49 newest slots contains it.
    int32_t getPosTime(int32_t pos) const;

    // The slot the next addPosTime writes (0..49).
    int Next() const { return Next_; }

private:
    struct Slot {
        int32_t PosStart = 0;
        int32_t PosEnd = 0;
        int64_t TimeStart = 0; // at PosStart
        int64_t TimeEnd = 0;   // at PosEnd
        // Set once a looping file started again inside the slot, at WrapPos: from there
        // on the slot holds repetitions of LoopStart..LoopEnd, Period bytes each (0 while
        // no whole repetition has been seen since WrapPos).
        bool Wrapped = false;
        int32_t WrapPos = 0;
        int32_t Period = 0;
        int64_t LoopStart = 0;
        int64_t LoopEnd = 0;

        bool silence() const { return !Wrapped && TimeStart == TimeEnd; }
        int64_t timeAt(int32_t pos) const;
    };

    // Extends `newest` by the piece when the piece carries it on; false otherwise.
    static bool extend(Slot& newest, int32_t posStart, int32_t posEnd, int64_t timeStart,
                       int64_t timeEnd);

    int Next_ = 0;
    std::array<Slot, Capacity> slots_{};
};

} // namespace ws
