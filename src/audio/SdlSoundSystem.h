// The SDL2 output back end: the device list from SDL's audio subsystem (the system default
// first) and devices whose SDL callback runs the software mixer, on short periods.
//
// SDL's audio subsystem is started on first use and stopped when the last system or device
// object that uses it is gone. Where the first driver SDL picks has nothing to open (no
// sound card, no sound server), opening the default device tries SDL's other drivers,
// unless SDL_AUDIODRIVER names the driver to use; the device list is then the new driver's.
//
// Threads: listing, opening and closing may come from any thread, one at a time: SdlAudio's
// mutex guards those calls into SDL's audio subsystem, which change its drivers and its list
// of open devices. Two calls that touch one open device only are made outside it: starting
// the device just opened (SDL_PauseAudioDevice, on the opening thread before anyone else
// knows the device) and the loss probe (SDL_GetAudioDeviceStatus, from whichever thread asks
// whether buffers are lost). The probe runs under the mixer's probe mutex and is removed
// under it before the device is closed, so it never asks about a closed device; and SDL's
// drivers are changed only while no device is open. A device's SDL callback runs on SDL's
// audio thread and only mixes.
#pragma once

#include "SoundDevice.h"

#include <memory>

namespace ws {

class SdlAudio;

class SdlSoundSystem : public SoundSystem {
public:
    // The description of the first entry of the device list, the system default.
    static constexpr const char* DefaultDeviceDescription = "Default output device";
    // Frames a device asks for at each callback, and the sound server's buffer for our
    // stream (PulseAudio's, or PipeWire's PulseAudio service's). A key is heard about
    // ServerBufferMs after it goes down. SDL on its own asks the server for a buffer of one
    // period and refills it only once it is empty, which leaves no margin at all; short
    // callbacks into a longer server buffer keep it nearly full, so a callback may come
    // late by most of ServerBufferMs before anything is heard. The callback runs on a
    // real-time thread where the system allows it (see ThreadPriority.h). A device whose
    // server nevertheless ran dry twice (see CallbackPacing.h) doubles both when the next
    // sound starts, up to LongestPeriod, and says so on standard error; the process keeps
    // them for the devices it opens later.
    static constexpr uint16_t DevicePeriod = 256;
    static constexpr uint16_t LongestPeriod = 4096;
    static constexpr unsigned ServerBufferMs = 25;
    static constexpr unsigned DryRunsToGrow = 2;

    // Gives this process's sound-server clients the buffer above, unless the user's own
    // PULSE_LATENCY_MSEC says otherwise. The program calls it before it starts any thread
    // (the environment is changed); the first sound system does it otherwise.
    static void prepareProcess();

    // The period the devices of this process open with: DevicePeriod until a device had
    // to grow it. Setting it (64..LongestPeriod) applies to the devices opened next.
    static uint16_t startingPeriod();
    static void setStartingPeriod(uint16_t frames);

    SdlSoundSystem();
    ~SdlSoundSystem() override;

    std::vector<OutputDeviceInfo> enumerateDevices() override;
    // Opens the device at 44100 Hz, 16-bit stereo until setPrimaryFormat asks for another
    // format. NoDriver when nothing can be opened.
    int32_t createDevice(const std::string& id, std::unique_ptr<SoundDevice>* out) override;

private:
    std::shared_ptr<SdlAudio> audio_;
};

} // namespace ws
