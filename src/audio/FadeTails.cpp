// The slots that carry stopped sounds' tails to the mixing side, and the bus that plays them.
#include "FadeTails.h"

#include <algorithm>

namespace ws {

FadeTails::FadeTails() {
    for (Slot& slot : slots_) {
        slot.left = std::make_unique<float[]>(MaxFrames);
        slot.right = std::make_unique<float[]>(MaxFrames);
    }
}

int FadeTails::claim() {
    for (int i = 0; i < Slots; ++i) {
        uint32_t expected = Free;
        if (slots_[std::size_t(i)].state.compare_exchange_strong(expected, Filling,
                                                                 std::memory_order_acquire))
            return i;
    }
    return -1;
}

void FadeTails::arm(int slot, uint32_t frames) {
    Slot& s = slots_[std::size_t(slot)];
    s.frames = std::min(frames, MaxFrames);
    s.state.store(Armed, std::memory_order_release);
}

void FadeTails::release(int slot) {
    slots_[std::size_t(slot)].state.store(Free, std::memory_order_release);
}

bool FadeTails::orphan(int slot) {
    uint32_t expected = Armed;
    return slots_[std::size_t(slot)].state.compare_exchange_strong(expected, Orphan,
                                                                   std::memory_order_seq_cst);
}

bool FadeTails::take(int slot) {
    Slot& s = slots_[std::size_t(slot)];
    uint32_t expected = Armed;
    if (!s.state.compare_exchange_strong(expected, Playing, std::memory_order_acquire))
        return false;
    play(s);
    return true;
}

void FadeTails::takeOrphans() {
    for (Slot& s : slots_) {
        // Sequentially consistent, and after the buffers: a buffer no pass can see any more
        // orphaned its tail before it left its slot, so this pass finds the tail here.
        if (s.state.load(std::memory_order_seq_cst) != Orphan)
            continue;
        uint32_t expected = Orphan;
        if (s.state.compare_exchange_strong(expected, Playing, std::memory_order_acquire))
            play(s);
    }
}

void FadeTails::play(Slot& s) {
    add(s.left.get(), s.right.get(), s.frames);
    s.state.store(Free, std::memory_order_release);
}

void FadeTails::add(const float* l, const float* r, uint32_t frames) {
    frames = std::min(frames, MaxFrames);
    uint32_t at = busPos_;
    for (uint32_t i = 0; i < frames; ++i) {
        busL_[at] += l[i];
        busR_[at] += r[i];
        if (++at == MaxFrames)
            at = 0;
    }
    busLive_ = std::max(busLive_, frames);
}

void FadeTails::drainInto(float* mixL, float* mixR, std::size_t frames) {
    const std::size_t n = std::min<std::size_t>(frames, busLive_);
    for (std::size_t i = 0; i < n; ++i) {
        mixL[i] += busL_[busPos_];
        mixR[i] += busR_[busPos_];
        busL_[busPos_] = busR_[busPos_] = 0.0f;
        if (++busPos_ == MaxFrames)
            busPos_ = 0;
    }
    busLive_ -= static_cast<uint32_t>(n);
    // Frames beyond the live part are silent already; the bus starts afresh where it stands.
}

} // namespace ws
