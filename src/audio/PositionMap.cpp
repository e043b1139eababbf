// Recording and lookup of the position map; see PositionMap.h.
#include "PositionMap.h"

#include "AudioErrors.h"

#include <cmath>

namespace ws {

namespace {

// The time at `pos` of a stretch of bytes holding the times timeStart..timeEnd, linear over
// the bytes and truncated toward zero to whole units.
int64_t interpolate(int64_t posStart, int64_t posEnd, int64_t timeStart, int64_t timeEnd,
                    int64_t pos) {
    const long double fraction =
        static_cast<long double>(pos - posStart) / static_cast<long double>(posEnd - posStart);
    return timeStart +
           static_cast<int64_t>(fraction * static_cast<long double>(timeEnd - timeStart));
}

// Whether two stretches can hold the same stream at the same rate. The decoder's times are
// truncated to whole units, so each time span may be short of the exact one by up to a unit.
bool sameRate(int64_t bytesA, int64_t timeA, int64_t bytesB, int64_t timeB) {
    const long double cross = static_cast<long double>(timeA) * static_cast<long double>(bytesB) -
                              static_cast<long double>(timeB) * static_cast<long double>(bytesA);
    return std::fabs(cross) <= static_cast<long double>(bytesA + bytesB);
}

} // namespace

int64_t PositionMap::Slot::timeAt(int32_t pos) const {
    if (!Wrapped)
        return interpolate(PosStart, PosEnd, TimeStart, TimeEnd, pos);
    if (pos < WrapPos) // the tail of the repetition the slot began in
        return interpolate(PosStart, WrapPos, TimeStart, LoopEnd, pos);
    if (Period == 0)
        return interpolate(WrapPos, PosEnd, LoopStart, TimeEnd, pos);
    const int64_t start = WrapPos + int64_t(pos - WrapPos) / Period * Period;
    if (start + Period <= PosEnd)
        return interpolate(start, start + Period, LoopStart, LoopEnd, pos);
    return interpolate(start, PosEnd, LoopStart, TimeEnd, pos); // the partial repetition
}

bool PositionMap::extend(Slot& newest, int32_t posStart, int32_t posEnd, int64_t timeStart,
                         int64_t timeEnd) {
    if (newest.PosEnd <= newest.PosStart || newest.PosEnd != posStart)
        return false;
    const int64_t bytes = int64_t(posEnd) - posStart;
    const int64_t time = timeEnd - timeStart;
    if (time == 0) {
        // Silence after the end of the data joins silence at the same time only.
        if (!newest.silence() || newest.TimeEnd != timeStart)
            return false;
        newest.PosEnd = posEnd;
        return true;
    }
    if (newest.silence())
        return false;

    if (!newest.Wrapped) {
        if (!sameRate(int64_t(newest.PosEnd) - newest.PosStart, newest.TimeEnd - newest.TimeStart,
                      bytes, time))
            return false;
        if (timeStart == newest.TimeEnd) { // the stream straight on
            newest.PosEnd = posEnd;
            newest.TimeEnd = timeEnd;
            return true;
        }
        // A looping file starting again: the slot ended at the file's end, and the piece
        // goes back to the file's start, no later than where the slot began.
        if (timeStart > newest.TimeStart || timeEnd > newest.TimeEnd)
            return false;
        int64_t period = 0;
        if (newest.TimeStart == timeStart) // the slot so far was one whole repetition
            period = int64_t(newest.PosEnd) - newest.PosStart;
        if (timeEnd == newest.TimeEnd) {
            if (period != 0 && period != bytes)
                return false;
            period = bytes;
        } else if (period != 0 && bytes >= period) {
            return false;
        }
        newest.Wrapped = true;
        newest.WrapPos = posStart;
        newest.Period = static_cast<int32_t>(period);
        newest.LoopStart = timeStart;
        newest.LoopEnd = newest.TimeEnd;
        newest.PosEnd = posEnd;
        newest.TimeEnd = timeEnd;
        return true;
    }

    if (timeEnd > newest.LoopEnd)
        return false;
    int64_t period = newest.Period;
    int64_t into = 0; // bytes of the current repetition before the piece
    if (timeStart == newest.TimeEnd) {
        if (period == 0) {
            // No whole repetition yet: the piece must run at the rate of what came before.
            if (!sameRate(int64_t(newest.PosEnd) - newest.WrapPos,
                          newest.TimeEnd - newest.LoopStart, bytes, time))
                return false;
            if (newest.WrapPos > newest.PosStart &&
                !sameRate(int64_t(newest.WrapPos) - newest.PosStart,
                          newest.LoopEnd - newest.TimeStart, bytes, time))
                return false;
            if (timeEnd == newest.LoopEnd)
                newest.Period = static_cast<int32_t>(int64_t(posEnd) - newest.WrapPos);
            newest.PosEnd = posEnd;
            newest.TimeEnd = timeEnd;
            return true;
        }
        into = (int64_t(posStart) - newest.WrapPos) % period;
        if (into == 0)
            return false;
    } else {
        if (timeStart != newest.LoopStart || newest.TimeEnd != newest.LoopEnd)
            return false;
        if (period == 0)
            period = int64_t(posStart) - newest.WrapPos;
        if ((int64_t(posStart) - newest.WrapPos) % period != 0)
            return false;
    }
    // Every repetition is the same bytes over the same times, and ends exactly at a period.
    if (!sameRate(period, newest.LoopEnd - newest.LoopStart, bytes, time) ||
        into + bytes > period || (into + bytes == period) != (timeEnd == newest.LoopEnd))
        return false;
    newest.Period = static_cast<int32_t>(period);
    newest.PosEnd = posEnd;
    newest.TimeEnd = timeEnd;
    return true;
}

void PositionMap::addPosTime(int32_t posStart, int32_t posEnd, int64_t timeStart, int64_t timeEnd) {
    if (posStart < posEnd && timeStart <= timeEnd &&
        extend(slots_[(Next_ + Capacity - 1) % Capacity], posStart, posEnd, timeStart, timeEnd))
        return;
    Slot& slot = slots_[Next_];
    slot = Slot{posStart, posEnd, timeStart, timeEnd};
    WS_CHECK(timeStart <= timeEnd, "Internal Error: Time Start higher then Time End");
    WS_CHECK(posStart < posEnd, "Internal Error: Position Start not inferior to Position End");
    Next_ = (Next_ + 1) % Capacity;
}

int32_t PositionMap::getPosTime(int32_t pos) const {
    // Newest first: the ring is rewritten in place, so older slots may describe data that
    // has since been replaced at the same offsets. The slot at Next_ is the oldest and the
    // next to be overwritten; it is never examined.
    int i = Next_;
    for (;;) {
        i = i == 0 ? Capacity - 1 : i - 1;
        WS_CHECK(i != Next_, "Internal Error: unable to GetPosTime");
        if (slots_[i].PosStart <= pos && pos < slots_[i].PosEnd)
            break;
    }
    return static_cast<int32_t>(slots_[i].timeAt(pos) / 10000);
}

} // namespace ws
