// The fade-outs of stopped buffers, from the stop that asks for one to the device that plays
// it, and the wait for them to be heard. A stopped sound is not cut: the rest of it plays on
// for a ramp's length, faded to silence, out of the mixer rather than out of its buffer,
// because the buffer's ring may be rewritten (the channel re-primes it from the file's
// start), played again or destroyed as soon as the stop has returned. This type alone moves
// a fade from state to state; the buffers supply the sound (Voice::renderFade) and the mixer
// the passes.
//
// A voice's fade word (Voice::fade_), and who moves it:
//
//              request (stop)               deliver (the same stop, past the pass
//   +-> None -----------------> Waiting --- barrier): rendered into slot s, s Armed ---+
//   |    ^                       |    |                                                 |
//   |    |   deliver: silent     |    | meet (a pass came first): rendered from the     v
//   |    +-- voice, or no slot --+    | ring, still intact, onto the bus; -> None    slot s
//   |                                                                                   |
//   +------------------------ meet (pass): s onto the bus ------------------------------+
//         request (a stop of the play that followed): s orphaned, then -> Waiting
//         abandon (the buffer goes): s orphaned, the word stays
//
// A slot's state (Slot::state):
//
//   Free --claim--> Filling --arm--> Armed --take (meet)----------> Playing --> Free
//    ^                                 |  |                            ^
//    +--release (deliver: a pass met --+  +--orphan--> Orphan ---------+ takeOrphans
//        the stop first)                    (request, abandon)           (the sweep)
//
// An orphan is played by the pass's sweep after the buffers, so a buffer that no pass can
// see any more still has its fade heard, in the very pass that would have met it.
//
// Every fade asked for counts in pending_ until the pass that puts its last frame into the
// device's output (and into the recording tap) has ended, or until it turns out there is
// nothing to play (the voice was silent, or no slot was free). settle() waits for pending_
// to reach zero: closing a device or ending a recording lets the fades of the sounds just
// stopped reach the output first. It gives up after the bound it is given, so a device that
// no longer pulls (stalled, gone, or a test's manual device nobody renders) costs a short
// wait and never a hang.
//
// Threads: request, deliver, abandon and settle come from control threads (any number; one
// at a time per voice, and a voice's deliver only once no pass moves that voice). meet,
// sounded, takeOrphans, drainInto and endPass are the mixing side's (one thread at a time);
// so are the bus, inBus_ and the mixing scratch. Slot states and fade words are atomics;
// a slot's samples are written only while it is Filling and read only while it is Playing,
// and the release/acquire steps between those states order them. pending_ is an atomic
// counter, raised by control threads and lowered by either side.
#pragma once

#include "Resampler.h"

#include <array>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace ws {

class FadeHandoff {
public:
    // Longest fade in output frames: a 5 ms ramp at the highest device rate a buffer takes.
    static constexpr uint32_t MaxFrames = 1000;
    // Fades in flight at once; a stop that finds none free is cut, as before fades existed.
    static constexpr int Slots = 16;

    // One buffer's side of the hand-off; only FadeHandoff moves its state.
    class Voice {
    public:
        // The voice's next `frames` output frames, faded from its present gain to silence,
        // worked out in `scratch` without moving the voice. Called while no pass moves it.
        virtual void renderFade(Resampler& scratch, float* left, float* right,
                                uint32_t frames) const = 0;

    protected:
        Voice() = default;
        ~Voice() = default;

    private:
        friend class FadeHandoff;
        std::atomic<int32_t> fade_{None};   // see the diagram
        std::atomic<bool> sounding_{false}; // played, and neither ended nor faded since
    };

    FadeHandoff();
    FadeHandoff(const FadeHandoff&) = delete;
    FadeHandoff& operator=(const FadeHandoff&) = delete;

    // Control side, a stop: asks for the voice's fade, before the buffer stops so that no
    // pass finds it stopped without one. A fade still waiting from an earlier stop goes on
    // as an orphan: a pass may have sounded the play that followed meanwhile.
    void request(Voice& voice);
    // Control side, the same stop once no pass moves the voice any more: renders the fade
    // (if the voice sounds) with `scratch` and hands it to the mixing side.
    void deliver(Voice& voice, Resampler& scratch, uint32_t frames);
    // Control side: the voice's buffer is going away; a fade no pass took plays unasked.
    void abandon(Voice& voice);
    // Returns true once every fade asked for so far is in the device's output; false when
    // `bound` ran out first.
    bool settle(std::chrono::nanoseconds bound) const;

    // Mixing side. True when a stop asked the voice for a fade no pass has met yet.
    static bool fadePending(const Voice& voice) {
        return voice.fade_.load(std::memory_order_seq_cst) != None;
    }
    // A pass met the voice stopped or restarted with its fade pending: the fade goes onto
    // the bus from the present frame on, and the voice is silent.
    void meet(Voice& voice, uint32_t frames);
    // The pass played the voice; `sounding` is false when it ended by itself.
    static void sounded(Voice& voice, bool sounding) {
        voice.sounding_.store(sounding, std::memory_order_relaxed);
    }
    // Puts every orphaned fade onto the bus; after the buffers of a pass.
    void takeOrphans();
    // Adds the bus's next `frames` frames into the mix and moves on.
    void drainInto(float* mixL, float* mixR, std::size_t frames);
    // The pass's output has gone to the device (and the tap): fades wholly in it are heard.
    void endPass();

private:
    static constexpr int32_t None = -1;
    static constexpr int32_t Waiting = -2; // values from 0 on are slots
    enum State : uint32_t { Free, Filling, Armed, Orphan, Playing };
    struct Slot {
        std::atomic<uint32_t> state{Free};
        uint32_t frames = 0;
        std::unique_ptr<float[]> left, right;
    };
    int claim();
    bool orphan(int slot);
    bool take(int slot);
    void play(Slot& slot);
    void add(const float* l, const float* r, uint32_t frames);
    void done() { pending_.fetch_sub(1, std::memory_order_release); }

    std::array<Slot, Slots> slots_;
    std::atomic<int32_t> pending_{0};

    // Mixing side: the bus is a ring of MaxFrames frames starting at busPos_; frames beyond
    // busLive_ of it are silent. inBus_ counts the fades on it, still pending.
    std::array<float, MaxFrames> busL_{};
    std::array<float, MaxFrames> busR_{};
    uint32_t busPos_ = 0;
    uint32_t busLive_ = 0;
    int32_t inBus_ = 0;
    Resampler scratch_{2};
    std::array<float, MaxFrames> scratchL_{};
    std::array<float, MaxFrames> scratchR_{};
};

} // namespace ws
