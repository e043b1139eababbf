// The mixer device and the program-wide device lists; see Mixer.h.
#include "Mixer.h"

#include "DeviceResult.h"
#include "MixerChannel.h"

#include <QDebug>

#include <algorithm>
#include <exception>
#include <stdexcept>

namespace ws {

namespace {

struct DeviceLists {
    std::vector<std::string> descriptions;
    std::vector<std::string> guids;
    bool loaded = false;
};

DeviceLists& deviceLists() {
    static DeviceLists lists;
    return lists;
}

} // namespace

void loadDeviceLists() {
    DeviceLists& lists = deviceLists();
    std::vector<OutputDeviceInfo> devices = soundSystem().enumerateDevices();
    lists.descriptions.clear();
    lists.guids.clear();
    for (auto& device : devices) {
        lists.descriptions.push_back(std::move(device.description));
        lists.guids.push_back(std::move(device.id));
    }
    lists.loaded = true;
}

const std::vector<std::string>& DeviceDescriptions() {
    return deviceLists().descriptions;
}
const std::vector<std::string>& DeviceGuids() {
    return deviceLists().guids;
}

Mixer::Mixer() {
    if (!deviceLists().loaded)
        loadDeviceLists();
}

Mixer::~Mixer() {
    try {
        closeDevice();
    } catch (const std::exception& e) {
        qCritical().noquote() << "Closing the sound device failed:" << e.what();
    }
    for (MixerChannel* channel : std::vector<MixerChannel*>(channels_))
        channel->detachFromMixer();
    channels_.clear();
}

void Mixer::setFrequency(int32_t hz) {
    Frequency_ = std::clamp(hz, 100, 100000);
}

void Mixer::setSpeakerConfig(uint32_t value) {
    if (device_)
        checkDeviceResult(device_->setSpeakerConfig(value));
    SpeakerConfig_ = value;
}

int32_t Mixer::deviceCount() const {
    return static_cast<int32_t>(DeviceDescriptions().size());
}

std::string Mixer::deviceName(int32_t index) const {
    if (index < 0 || index >= deviceCount())
        throw std::out_of_range("List index out of bounds (" + std::to_string(index) + ")");
    return DeviceDescriptions()[static_cast<std::size_t>(index)];
}

void Mixer::selectDevice(int32_t index) {
    if (index >= 0 && static_cast<std::size_t>(index) < DeviceGuids().size())
        DeviceIndex_ = index;
}

void Mixer::openDevice() {
    if (device_)
        return;
    const auto& guids = DeviceGuids();
    // An empty id opens the system default, also when the list is empty.
    std::string id;
    if (DeviceIndex_ >= 0 && static_cast<std::size_t>(DeviceIndex_) < guids.size())
        id = guids[static_cast<std::size_t>(DeviceIndex_)];
    std::unique_ptr<SoundDevice> device;
    checkDeviceResult(soundSystem().createDevice(id, &device));
    if (!device)
        checkDeviceResult(DeviceResult::NoDriver);
    device_ = std::move(device);
    // Opening the default device is where the sound system may have moved to another
    // driver (SDL does when its first driver has nothing to open); the devices are then
    // that driver's, and only a list taken now names them so that they can be chosen.
    if (id.empty())
        loadDeviceLists();
    // From here on a failure leaves the device in place: later opens return at once, and
    // the steps below are not retried until closeDevice.
    deviceChanged();
    checkDeviceResult(device_->setCooperativeLevel(static_cast<int>(Level_) + 1));
    if (Level_ != CooperativeLevel::lNormal) {
        WaveFormat format;
        checkDeviceResult(device_->primaryFormat(&format));
        format.nChannels = Stereo_ ? 2 : 1;
        format.wBitsPerSample = static_cast<uint16_t>(8 << static_cast<int>(BitsPerSample_));
        format.nSamplesPerSec = static_cast<uint32_t>(Frequency_);
        format.nBlockAlign = static_cast<uint16_t>((format.wBitsPerSample * format.nChannels) >> 3);
        format.nAvgBytesPerSec = format.nBlockAlign * format.nSamplesPerSec;
        checkDeviceResult(device_->setPrimaryFormat(format));
        checkDeviceResult(device_->primaryFormat(&format));
        // Keep what the device actually took; the rate is stored without the clamp.
        Stereo_ = format.nChannels == 2;
        if (format.wBitsPerSample == 8)
            BitsPerSample_ = ws::BitsPerSample::bs8Bit;
        else if (format.wBitsPerSample == 16)
            BitsPerSample_ = ws::BitsPerSample::bs16Bit;
        Frequency_ = static_cast<int32_t>(format.nSamplesPerSec);
    }
    // Set once the format is final: a tap takes only bytes in its own format.
    device_->setOutputTap(tap_);
    checkDeviceResult(device_->setSpeakerConfig(SpeakerConfig_));
    // Keeps the device running between sounds; a failure here is harmless.
    (void)device_->playPrimary();
}

void Mixer::closeDevice() {
    for (MixerChannel* channel : std::vector<MixerChannel*>(channels_))
        channel->releaseBuffer();
    if (device_) {
        // The buffers' fades die with the device: they are played out first.
        device_->settle();
        device_->setOutputTap(nullptr);
        device_.reset();
        deviceChanged();
    }
}

SoundDevice& Mixer::soundDevice() {
    // A device that has gone away (unplugged, sound server gone) can make no new buffers;
    // the channels' buffers on it are lost anyway, so start again on the selected one.
    if (device_ && device_->lost())
        closeDevice();
    openDevice();
    return *device_;
}

void Mixer::setOutputTap(std::shared_ptr<OutputTap> tap) {
    tap_ = std::move(tap);
    if (device_)
        device_->setOutputTap(tap_);
}

void Mixer::deviceChanged() {
    if (onDeviceChanged_)
        onDeviceChanged_(*this);
}

void Mixer::addChannel(MixerChannel* channel) {
    channels_.push_back(channel);
}

void Mixer::removeChannel(MixerChannel* channel) {
    channels_.erase(std::remove(channels_.begin(), channels_.end(), channel), channels_.end());
}

} // namespace ws
