// The manual back end for tests: devices render only when asked, so a test moves the play
// cursors by exact numbers of frames and reads the mixed output sample for sample.
//
// Threads: render, renderFloat and renderCurrent run the mix on the calling thread in place
// of an output callback, one thread at a time (the test's or its sound card's); meanwhile the
// buffers may be used from other threads (a channel's refill thread) as on any device. The system's
// calls and loseDevice may come from any thread: what the system and its devices share is guarded
// by a mutex.
#pragma once

#include "SoundDevice.h"

#include <cstddef>
#include <mutex>

namespace ws {

class ManualDevice : public SoundDevice {
public:
    // Mixes `frames` output frames in the primary format into `out` (interleaved, 8-bit
    // unsigned or 16-bit signed as accepted), advancing every playing buffer.
    virtual void render(void* out, std::size_t frames) = 0;
    // The same mix before it is quantised: interleaved floats, full scale = 1.0.
    virtual void renderFloat(float* out, std::size_t frames) = 0;
    // Makes the device disappear, as when a headset is unplugged.
    virtual void loseDevice() = 0;
};

class ManualSoundSystem : public SoundSystem {
public:
    // `devices` is what enumerateDevices returns; the first entry should have an empty id.
    explicit ManualSoundSystem(std::vector<OutputDeviceInfo> devices = {{"Manual output", ""}});
    ~ManualSoundSystem() override;

    std::vector<OutputDeviceInfo> enumerateDevices() override;
    int32_t createDevice(const std::string& id, std::unique_ptr<SoundDevice>* out) override;

    // The device most recently created and not yet destroyed, or nullptr.
    ManualDevice* current() const;
    // Renders `frames` of the current device into `out`, as its sound card would from a
    // thread of its own: under the system's mutex, so the device is not destroyed meanwhile
    // (its destruction waits). False when no device is open.
    bool renderCurrent(void* out, std::size_t frames);
    // The id the most recent createDevice was asked for.
    std::string lastOpenedId() const;
    // Accepted primary rate of devices created from now on (0 = whatever is asked).
    void setDeviceRate(uint32_t hz);
    // The callback length of devices created from now on, which bounds how long closing a
    // device or ending a recording waits for fades (two periods; DefaultPeriod at first).
    static constexpr uint32_t DefaultPeriod = 441;
    void setDevicePeriod(uint32_t frames);
    // Makes createDevice fail with `code` (0 = succeed again).
    void failCreateWith(int32_t code);

private:
    struct State;
    std::shared_ptr<State> state_;
};

} // namespace ws
