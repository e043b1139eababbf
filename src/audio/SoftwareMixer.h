// The software mixer behind both output back ends: a fixed table of buffer slots, and the
// mix that the output callback runs. Each playing buffer is resampled to the device rate,
// given its volume and pan, summed and clipped in float, then quantised to the device
// format.
//
// The callback never waits: buffers are published in slots through atomic pointers, and a
// thread that takes a buffer away (or stops it before rewriting its ring) waits instead,
// for the callback to finish the pass it may be in (passSeq_ is odd during a pass). The
// fades of stopped buffers reach the mix through fades_ (see FadeHandoff), after the buffers
// of each pass; settle waits, for at most two device periods, until they have.
//
// One thread mixes at a time (the back end's callback thread, or a test calling render).
// What render hands the device is also published to the output tap, when one is set (a
// recording); setTap waits out a render that may still be publishing to the tap it replaces.
#pragma once

#include "FadeHandoff.h"
#include "SoundDevice.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

namespace ws {

class OutputTap;
class SecondaryBuffer;

class SoftwareMixer : public std::enable_shared_from_this<SoftwareMixer> {
public:
    static constexpr std::size_t MaxBuffers = 256;
    // Frames mixed per inner round; callbacks of any size are split into such rounds.
    static constexpr std::size_t Chunk = 256;
    static constexpr unsigned MaxOutputChannels = 8;

    // `output`: 8- or 16-bit PCM, 1 to MaxOutputChannels channels (beyond two, the
    // others carry silence).
    static std::shared_ptr<SoftwareMixer> create(const WaveFormat& output);
    explicit SoftwareMixer(const WaveFormat& output); // use create()
    ~SoftwareMixer();
    SoftwareMixer(const SoftwareMixer&) = delete;
    SoftwareMixer& operator=(const SoftwareMixer&) = delete;

    // Control side.
    WaveFormat outputFormat() const;
    // Changes the output format. The back end makes sure no mix runs meanwhile.
    void setOutputFormat(const WaveFormat& output);
    int32_t createBuffer(const WaveFormat& format, uint32_t bytes,
                         std::unique_ptr<SoundBuffer>* out);
    // Once lost, buffers refuse lock and play with BufferLost for good. The probe, when
    // set, is asked by lost() whether the device has gone meanwhile.
    bool lost() const;
    void markLost();
    void setLossProbe(std::function<bool()> probe);
    uint32_t deviceRate() const { return rate_.load(std::memory_order_relaxed); }
    // Null stops the copying; returns once no render is still using the previous tap.
    void setTap(std::shared_ptr<OutputTap> tap);
    // Frames the back end asks for at each callback.
    void setPeriod(uint32_t frames) { period_.store(frames, std::memory_order_relaxed); }
    // Returns true once the fades of every buffer stopped or destroyed so far have been
    // rendered and handed over (to the tap as well); false after two periods, when the
    // device does not pull.
    bool settle() const;

    // Mixing side: interleaved floats in the output channel count, clipped to [-1, 1].
    void mix(float* out, std::size_t frames);
    // Mixing side: the same mix quantised to the output format (16-bit: round to nearest
    // and clamp; 8-bit: unsigned around 128).
    void render(void* out, std::size_t frames);

    // For SecondaryBuffer.
    bool attach(SecondaryBuffer* buffer);
    void detach(SecondaryBuffer* buffer);
    // Returns once no mixing pass that began before the call is still running.
    void waitForPass() const;
    std::mutex& controlMutex() const { return controlMutex_; }
    FadeHandoff& fades() { return fades_; }
    // Output frames over which a stopped buffer fades out (as long as a gain ramp).
    uint32_t fadeLength() const { return rampLength_.load(std::memory_order_relaxed); }

private:
    // The mix without ending the pass (render publishes to the tap first).
    void mixFrames(float* out, std::size_t frames);

    std::array<std::atomic<SecondaryBuffer*>, MaxBuffers> slots_{};
    std::atomic<uint32_t> slotLimit_{0}; // slots at and above are all empty
    std::atomic<uint64_t> passSeq_{0};   // odd while a pass runs

    std::atomic<uint32_t> rate_{0};
    std::atomic<uint32_t> channels_{0};
    std::atomic<uint32_t> bits_{0};
    std::atomic<uint32_t> rampLength_{0};
    std::atomic<uint32_t> period_{1024};
    mutable std::atomic<bool> lost_{false};

    // Guards the slot assignment, the output format's writers and every buffer's step.
    mutable std::mutex controlMutex_;
    mutable std::mutex probeMutex_; // guards probe_
    std::function<bool()> probe_;

    // The tap render publishes to: tap_ is what render reads, tapOwner_ (guarded by
    // controlMutex_) keeps it alive, and tapUsers_ counts renders between loading tap_ and
    // being done with it.
    std::shared_ptr<OutputTap> tapOwner_;
    std::atomic<OutputTap*> tap_{nullptr};
    std::atomic<uint32_t> tapUsers_{0};

    // Stopped buffers' fades on their way to the mix (see FadeHandoff for its threads).
    FadeHandoff fades_;

    // Mixing side scratch.
    float mixL_[Chunk];
    float mixR_[Chunk];
    float tmpL_[Chunk];
    float tmpR_[Chunk];
    float quantise_[Chunk * MaxOutputChannels];
};

} // namespace ws
