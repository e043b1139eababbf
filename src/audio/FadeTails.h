// The fade-outs of stopped buffers. A stopped sound is not cut: the rest of it plays on for a
// ramp's length, faded to silence, out of the mixer rather than out of its buffer, because
// the buffer's ring may be rewritten (the channel re-primes it from the file's start), played
// again or destroyed as soon as the stop has returned.
//
// A stop renders its sound's tail, already faded, into a slot of this pool and hands the slot
// to the mixing side; the first mixing pass after the stop adds the tail to the bus, which
// every pass drains into its mix. A pass that meets the stop before the slot is ready renders
// the tail itself, from the ring that the stop keeps intact until then.
//
// Threads: claim, release, arm and orphan come from control threads (any number; a slot
// belongs to the thread that claimed it until it is armed). take, takeOrphans, add,
// drainInto and the scratch are the mixing side's. Each slot's state is an atomic; a slot's
// samples are written only while it is Filling and read only while it is Playing, and the
// release/acquire steps between those states order them. The bus belongs to the mixing side.
#pragma once

#include "Resampler.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace ws {

class FadeTails {
public:
    // Longest tail in output frames: a 5 ms ramp at the highest device rate a buffer takes.
    static constexpr uint32_t MaxFrames = 1000;
    // Tails in flight at once; a stop that finds none free is cut, as before fades existed.
    static constexpr int Slots = 16;

    FadeTails();
    FadeTails(const FadeTails&) = delete;
    FadeTails& operator=(const FadeTails&) = delete;

    // Control side. A free slot for the caller to fill (MaxFrames floats per side), or -1.
    int claim();
    float* left(int slot) { return slots_[std::size_t(slot)].left.get(); }
    float* right(int slot) { return slots_[std::size_t(slot)].right.get(); }
    // The first `frames` samples are the tail; the mixing side may take it from now on.
    void arm(int slot, uint32_t frames);
    // Gives back a slot that was claimed or armed but will not be taken.
    void release(int slot);
    // The slot's buffer is going away before any pass took its tail: the mixing side plays
    // it unasked. False when a pass is taking it already.
    bool orphan(int slot);

    // Mixing side. Adds an armed slot's tail to the bus, from the present frame on, and frees
    // the slot; false when it is no longer armed (orphaned meanwhile, or released).
    bool take(int slot);
    // Adds every orphaned tail to the bus.
    void takeOrphans();
    // Adds `frames` frames (at most MaxFrames) to the bus, from the present frame on.
    void add(const float* l, const float* r, uint32_t frames);
    // Adds the bus's next `frames` frames into the mix and moves on.
    void drainInto(float* mixL, float* mixR, std::size_t frames);
    // Room for a tail the mixing side renders itself.
    Resampler& scratchResampler() { return scratch_; }
    float* scratchLeft() { return scratchL_.data(); }
    float* scratchRight() { return scratchR_.data(); }

private:
    enum State : uint32_t { Free, Filling, Armed, Orphan, Playing };
    struct Slot {
        std::atomic<uint32_t> state{Free};
        uint32_t frames = 0;
        std::unique_ptr<float[]> left, right;
    };
    void play(Slot& slot);

    std::array<Slot, Slots> slots_;

    // Mixing side: the bus is a ring of MaxFrames frames starting at busPos_; frames beyond
    // busLive_ of it are silent.
    std::array<float, MaxFrames> busL_{};
    std::array<float, MaxFrames> busR_{};
    uint32_t busPos_ = 0;
    uint32_t busLive_ = 0;
    Resampler scratch_{2};
    std::array<float, MaxFrames> scratchL_{};
    std::array<float, MaxFrames> scratchR_{};
};

} // namespace ws
