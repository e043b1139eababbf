// The sound device layer: what the mixer device and its channels ask of the output
// hardware. A SoundSystem lists the output devices (the system default first, with an
// empty id) and opens one as a SoundDevice. A device has a primary output format that
// can be requested and read back, a cooperative level and a speaker configuration that
// are stored and passed through, and secondary buffers: byte rings in a file's own PCM
// format that a software mixer resamples to the device rate, attenuates, pans, sums and
// clips in the output callback.
//
// Calls return 32-bit result codes (0 = success) that the callers pass through
// checkDeviceResult; the codes are those of DeviceResult below.
//
// Threads: every call below may come from any thread but one buffer is never used by two
// threads at once (its channel's lock serialises them). The output callback runs on the
// back end's own thread and never blocks, allocates or throws.
#pragma once

#include "WaveFormat.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace ws {

class OutputTap;

namespace DeviceResult {
inline constexpr int32_t Ok = 0;
inline constexpr int32_t InvalidParam = static_cast<int32_t>(0x80070057); // out of range
inline constexpr int32_t OutOfMemory = static_cast<int32_t>(0x8007000E);
inline constexpr int32_t Generic = static_cast<int32_t>(0x80004005);
inline constexpr int32_t InvalidCall = static_cast<int32_t>(0x88780032); // wrong state
inline constexpr int32_t BadFormat = static_cast<int32_t>(0x88780064);   // unsupported format
inline constexpr int32_t NoDriver = static_cast<int32_t>(0x88780078);    // nothing to open
inline constexpr int32_t BufferLost = static_cast<int32_t>(0x88780096);  // device gone
} // namespace DeviceResult

// Volume and pan in hundredths of a decibel; frequency in Hz, 0 = the buffer's own rate.
inline constexpr int32_t VolumeMin = -10000;
inline constexpr int32_t VolumeMax = 0;
inline constexpr int32_t PanLeft = -10000;
inline constexpr int32_t PanRight = 10000;
inline constexpr uint32_t FrequencyOriginal = 0;
inline constexpr uint32_t FrequencyMin = 100;
inline constexpr uint32_t FrequencyMax = 200000;

// Cooperative levels as the mixer passes them: 1 normal, 2 priority, 3 exclusive.
inline constexpr int CooperativeNormal = 1;
inline constexpr int CooperativePriority = 2;
inline constexpr int CooperativeExclusive = 3;

struct OutputDeviceInfo {
    std::string description;
    std::string id; // empty for the system default
};

// A secondary buffer: a looping byte ring in one PCM format (8-bit unsigned or 16-bit
// signed, 1 or 2 channels, any rate from FrequencyMin to FrequencyMax). Created stopped at
// offset 0 with volume 0, pan 0 and the format's own rate. Once its device is lost
// (closed, unplugged, sound server gone) lock and play return BufferLost; the other
// calls still succeed harmlessly. May outlive its device.
class SoundBuffer {
public:
    virtual ~SoundBuffer() = default;

    // Direct write access to [offset, offset + bytes) of the ring. A range that crosses
    // the ring's end is split into two parts (p2/n2 null/0 otherwise).
    virtual int32_t lock(uint32_t offset, uint32_t bytes, void** p1, uint32_t* n1, void** p2,
                         uint32_t* n2) = 0;
    virtual int32_t unlock(void* p1, uint32_t n1, void* p2, uint32_t n2) = 0;

    // Starts playing from the current offset; `looping` wraps at the ring's end (the
    // channel always loops; a non-looping buffer stops itself at the end).
    virtual int32_t play(bool looping) = 0;
    virtual int32_t stop() = 0;
    virtual bool playing() const = 0;

    // Byte offset of the frame now being played (frame aligned).
    virtual int32_t currentPosition(uint32_t* playCursor) const = 0;
    virtual int32_t setCurrentPosition(uint32_t offset) = 0;

    // Out-of-range values return InvalidParam and change nothing.
    virtual int32_t setVolume(int32_t hundredthsDb) = 0; // VolumeMin..VolumeMax
    virtual int32_t setPan(int32_t hundredthsDb) = 0;    // PanLeft..PanRight
    virtual int32_t setFrequency(uint32_t hz) = 0;       // 0 or FrequencyMin..FrequencyMax
    virtual int32_t volume() const = 0;
    virtual int32_t pan() const = 0;
    virtual uint32_t frequency() const = 0; // the rate in effect, never 0

    virtual const WaveFormat& format() const = 0;
    virtual uint32_t size() const = 0; // bytes
};

// An open output device.
class SoundDevice {
public:
    virtual ~SoundDevice() = default;

    virtual int32_t setCooperativeLevel(int level) = 0;
    virtual int cooperativeLevel() const = 0;

    // The primary buffer: the device's output format. setPrimaryFormat asks for a format;
    // primaryFormat reads back what the device actually accepted (which may differ in
    // rate, channels or width). playPrimary keeps the device running between sounds.
    virtual int32_t primaryFormat(WaveFormat* out) const = 0;
    virtual int32_t setPrimaryFormat(const WaveFormat& requested) = 0;
    virtual int32_t playPrimary() = 0;

    virtual int32_t setSpeakerConfig(uint32_t config) = 0;
    virtual uint32_t speakerConfig() const = 0;

    // A secondary buffer of `bytes` bytes (whole frames) in `format`. BadFormat for
    // anything but 8/16-bit PCM of 1 or 2 channels at FrequencyMin..FrequencyMax;
    // InvalidParam for a size of 0 or not a whole number of frames.
    virtual int32_t createSoundBuffer(const WaveFormat& format, uint32_t bytes,
                                      std::unique_ptr<SoundBuffer>* out) = 0;

    // True once the device has gone away while open (its buffers are lost).
    virtual bool lost() const = 0;

    // From now on every byte the device hands its hardware is also published to `tap`
    // (null: to none); returns once the previous tap is no longer used. The fades of sounds
    // stopped before the call reach the previous tap first (see settle).
    virtual void setOutputTap(std::shared_ptr<OutputTap> tap) = 0;

    // Returns true once the fades of every buffer stopped or destroyed so far are in what
    // the device has been handed; false after about two device periods when the device
    // does not pull (stalled, gone, or a manual device nobody renders). Closing a device
    // waits on this, so a sound stopped just before is heard fading out, not cut.
    virtual bool settle() = 0;
};

// A back end: SDL2 for real output, or the manual one for tests.
class SoundSystem {
public:
    virtual ~SoundSystem() = default;
    // The output devices, the system default first with an empty id.
    virtual std::vector<OutputDeviceInfo> enumerateDevices() = 0;
    // Opens the device with the given id ("" = default). NoDriver when no sound driver
    // can be opened at all.
    virtual int32_t createDevice(const std::string& id, std::unique_ptr<SoundDevice>* out) = 0;
};

// The process-wide back end: SDL2 unless a test installed another one first.
SoundSystem& soundSystem();
// Replaces the process-wide back end (tests); returns the previous one.
std::unique_ptr<SoundSystem> setSoundSystem(std::unique_ptr<SoundSystem> system);

} // namespace ws
