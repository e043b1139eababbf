// Recording and lookup of the position map; see PositionMap.h.
#include "PositionMap.h"

#include "AudioErrors.h"

namespace ws {

bool PositionMap::extendsNewest(int32_t posStart, int32_t posEnd, int64_t timeStart,
                                int64_t timeEnd) const {
    const Slot& newest = slots_[(Next_ + Capacity - 1) % Capacity];
    if (newest.PosEnd <= newest.PosStart || newest.PosEnd != posStart)
        return false;
    // Only whole repetitions of a non-empty stretch of time form a run; runs of silence and
    // the pieces of a file that is streamed straight through keep one slot each.
    if (timeEnd <= timeStart || newest.TimeStart != timeStart || newest.TimeEnd != timeEnd)
        return false;
    const int32_t period = newest.Period ? newest.Period : newest.PosEnd - newest.PosStart;
    return posEnd - posStart == period;
}

void PositionMap::addPosTime(int32_t posStart, int32_t posEnd, int64_t timeStart, int64_t timeEnd) {
    if (posStart < posEnd && timeStart <= timeEnd &&
        extendsNewest(posStart, posEnd, timeStart, timeEnd)) {
        Slot& newest = slots_[(Next_ + Capacity - 1) % Capacity];
        if (newest.Period == 0)
            newest.Period = newest.PosEnd - newest.PosStart;
        newest.PosEnd = posEnd;
        return;
    }
    Slot& slot = slots_[Next_];
    slot = Slot{posStart, posEnd, timeStart, timeEnd, 0};
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
    const Slot& s = slots_[i];
    int64_t offsetBytes = int64_t(pos) - s.PosStart;
    int64_t lengthBytes = int64_t(s.PosEnd) - s.PosStart;
    if (s.Period != 0) {
        offsetBytes %= s.Period;
        lengthBytes = s.Period;
    }
    const long double fraction =
        static_cast<long double>(offsetBytes) / static_cast<long double>(lengthBytes);
    const auto offset =
        static_cast<int64_t>(fraction * static_cast<long double>(s.TimeEnd - s.TimeStart));
    return static_cast<int32_t>((s.TimeStart + offset) / 10000);
}

} // namespace ws
