// The hand-off of stopped buffers' fades to the mix, the bus that plays them, and the wait
// for them to be heard; see FadeHandoff.h.
#include "FadeHandoff.h"

#include <algorithm>
#include <thread>

namespace ws {

FadeHandoff::FadeHandoff() {
    for (Slot& slot : slots_) {
        slot.left = std::make_unique<float[]>(MaxFrames);
        slot.right = std::make_unique<float[]>(MaxFrames);
    }
}

void FadeHandoff::request(Voice& voice) {
    // Counted first, so that a pass that plays the fade at once never takes the count below
    // zero.
    pending_.fetch_add(1, std::memory_order_relaxed);
    int32_t fade = voice.fade_.load(std::memory_order_seq_cst);
    for (;;) {
        // A slot is orphaned before the word moves on: a pass that finds the word moved has
        // the slot in its own sweep. (Should a pass have taken the slot meanwhile and another
        // stop reused it, that stop's fade is orphaned instead: it still plays in the same
        // pass, only from the sweep.)
        if (fade >= 0)
            orphan(fade);
        if (voice.fade_.compare_exchange_strong(fade, Waiting, std::memory_order_seq_cst))
            return;
    }
}

void FadeHandoff::deliver(Voice& voice, Resampler& scratch, uint32_t frames) {
    frames = std::min(frames, MaxFrames);
    int slot = -1;
    if (voice.sounding_.load(std::memory_order_acquire)) {
        slot = claim();
        if (slot >= 0) {
            Slot& s = slots_[std::size_t(slot)];
            voice.renderFade(scratch, s.left.get(), s.right.get(), frames);
            s.frames = frames;
            s.state.store(Armed, std::memory_order_release);
        }
    }
    int32_t waiting = Waiting;
    if (voice.fade_.compare_exchange_strong(waiting, slot >= 0 ? slot : None,
                                            std::memory_order_seq_cst)) {
        // The sound is in the slot now: until a pass sounds the voice again, a later stop
        // has nothing to fade.
        voice.sounding_.store(false, std::memory_order_relaxed);
        if (slot < 0)
            done();
        return;
    }
    // A pass met the stop first and played the fade from the ring.
    if (slot >= 0)
        slots_[std::size_t(slot)].state.store(Free, std::memory_order_release);
}

void FadeHandoff::abandon(Voice& voice) {
    const int32_t fade = voice.fade_.load(std::memory_order_seq_cst);
    if (fade >= 0)
        orphan(fade);
}

bool FadeHandoff::settle(std::chrono::nanoseconds bound) const {
    const auto deadline = std::chrono::steady_clock::now() + bound;
    while (pending_.load(std::memory_order_acquire) > 0) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    return true;
}

void FadeHandoff::meet(Voice& voice, uint32_t frames) {
    int32_t fade = voice.fade_.load(std::memory_order_seq_cst);
    while (fade != None) {
        if (fade == Waiting) {
            if (!voice.fade_.compare_exchange_strong(fade, None, std::memory_order_seq_cst))
                continue; // the stop handed over its rendered fade meanwhile
            // The stop is still under way, so the ring still holds the sound.
            if (voice.sounding_.load(std::memory_order_relaxed)) {
                frames = std::min(frames, MaxFrames);
                voice.renderFade(scratch_, scratchL_.data(), scratchR_.data(), frames);
                add(scratchL_.data(), scratchR_.data(), frames);
                ++inBus_;
            } else {
                done();
            }
            break;
        }
        if (voice.fade_.compare_exchange_strong(fade, None, std::memory_order_seq_cst)) {
            take(fade); // unless orphaned meanwhile: then the sweep plays it
            break;
        }
    }
    voice.sounding_.store(false, std::memory_order_relaxed);
}

int FadeHandoff::claim() {
    for (int i = 0; i < Slots; ++i) {
        uint32_t expected = Free;
        if (slots_[std::size_t(i)].state.compare_exchange_strong(expected, Filling,
                                                                 std::memory_order_acquire))
            return i;
    }
    return -1;
}

bool FadeHandoff::orphan(int slot) {
    uint32_t expected = Armed;
    return slots_[std::size_t(slot)].state.compare_exchange_strong(expected, Orphan,
                                                                   std::memory_order_seq_cst);
}

bool FadeHandoff::take(int slot) {
    Slot& s = slots_[std::size_t(slot)];
    uint32_t expected = Armed;
    if (!s.state.compare_exchange_strong(expected, Playing, std::memory_order_acquire))
        return false;
    play(s);
    return true;
}

void FadeHandoff::takeOrphans() {
    for (Slot& s : slots_) {
        // Sequentially consistent, and after the buffers: a buffer no pass can see any more
        // orphaned its fade before it left its slot, so this pass finds the fade here.
        if (s.state.load(std::memory_order_seq_cst) != Orphan)
            continue;
        uint32_t expected = Orphan;
        if (s.state.compare_exchange_strong(expected, Playing, std::memory_order_acquire))
            play(s);
    }
}

void FadeHandoff::play(Slot& s) {
    add(s.left.get(), s.right.get(), s.frames);
    ++inBus_;
    s.state.store(Free, std::memory_order_release);
}

void FadeHandoff::add(const float* l, const float* r, uint32_t frames) {
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

void FadeHandoff::drainInto(float* mixL, float* mixR, std::size_t frames) {
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

void FadeHandoff::endPass() {
    if (busLive_ == 0 && inBus_ > 0) {
        pending_.fetch_sub(inBus_, std::memory_order_release);
        inBus_ = 0;
    }
}

} // namespace ws
