// The mixer device: owns the sound output device for all mixer channels. The output
// devices are listed at program start (the system default first, with an empty id), and
// again whenever the default device is opened, since the back end may have moved to
// another driver then; the mixer opens the chosen one lazily when the first channel needs
// a sound buffer, sets its cooperative level, primary format and speaker configuration
// from its properties, and keeps the device running. It knows every channel created on it,
// so that closing the device (for instance after the user picked another one) takes their
// buffers away first.
//
// Used from the user-interface thread only; it has no lock.
#pragma once

#include "SoundDevice.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace ws {

enum class BitsPerSample { bs8Bit, bs16Bit };
enum class CooperativeLevel { lNormal, lPriority, lExclusive };

class MixerChannel;

// Fills DeviceDescriptions and DeviceGuids from the sound system's device list, replacing
// what they held. Called at program start (a Mixer calls it if nobody has), and by a mixer
// that has opened the default device.
void loadDeviceLists();
// Description of every output device, in the order the sound system lists them.
const std::vector<std::string>& DeviceDescriptions();
// The device id for the same index; empty for the system default (index 0).
const std::vector<std::string>& DeviceGuids();

class Mixer {
public:
    // Told right after the device has been created (the device lists are current by then,
    // so a device menu can be built again from them) and right after it has been
    // released, the release by the mixer's destruction included.
    using DeviceChangedHandler = std::function<void(Mixer& sender)>;

    Mixer();
    // Closes the device, telling the device-changed handler. Channels still registered are
    // shut down (buffer released, file closed) and cut loose from the mixer; their owners
    // still destroy them.
    virtual ~Mixer();
    Mixer(const Mixer&) = delete;
    Mixer& operator=(const Mixer&) = delete;

    ws::BitsPerSample BitsPerSample() const { return BitsPerSample_; }
    void setBitsPerSample(ws::BitsPerSample value) { BitsPerSample_ = value; }
    bool Stereo() const { return Stereo_; }
    void setStereo(bool value) { Stereo_ = value; }
    int32_t Frequency() const { return Frequency_; }
    // Clamped to 100..100000 Hz.
    void setFrequency(int32_t hz);
    CooperativeLevel Level() const { return Level_; }
    void setLevel(CooperativeLevel value) { Level_ = value; }
    uint32_t SpeakerConfig() const { return SpeakerConfig_; }
    // Applied at once when the device is open (a failure keeps the stored value).
    void setSpeakerConfig(uint32_t value);
    int32_t DeviceIndex() const { return DeviceIndex_; }

    int32_t deviceCount() const;
    // Raises std::out_of_range outside 0..deviceCount()-1.
    std::string deviceName(int32_t index) const;
    // Chooses the device for the next open; an index outside the list is ignored.
    void selectDevice(int32_t index);

    // Opens the selected device; does nothing when it is open.
    void openDevice();
    // Releases every channel's sound buffer, then, once their fades have been played (or
    // after about two device periods), the device.
    void closeDevice();
    // The open device, opened first if need be; a device that has been lost is closed
    // (taking every channel's buffer) and the selected one opened again.
    SoundDevice& soundDevice();
    bool deviceOpen() const { return device_ != nullptr; }
    // True while the open device has gone away (it is opened again by soundDevice()).
    bool deviceLost() const { return device_ && device_->lost(); }

    // Every device the mixer opens from now on, and the open one, hands what it plays to
    // `tap` as well (null: to none).
    void setOutputTap(std::shared_ptr<OutputTap> tap);

    void addChannel(MixerChannel* channel);
    void removeChannel(MixerChannel* channel);

    // A handler, not a virtual: the destructor closes the device when a derived part would
    // already be gone. Whoever installs it outlives the mixer or removes it first.
    void setOnDeviceChanged(DeviceChangedHandler handler) { onDeviceChanged_ = std::move(handler); }

private:
    void deviceChanged();

    ws::BitsPerSample BitsPerSample_ = ws::BitsPerSample::bs16Bit;
    bool Stereo_ = true;
    int32_t Frequency_ = 44100;
    CooperativeLevel Level_ = CooperativeLevel::lPriority;
    uint32_t SpeakerConfig_ = 4;
    int32_t DeviceIndex_ = 0;

    std::unique_ptr<SoundDevice> device_;
    std::shared_ptr<OutputTap> tap_;
    std::vector<MixerChannel*> channels_; // not owned; in creation order
    DeviceChangedHandler onDeviceChanged_;
};

} // namespace ws
