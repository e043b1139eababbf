// The device members both back ends share, instantiated for the interfaces they implement.
#include "MixingDevice.h"

#include "ManualSoundSystem.h"
#include "SoftwareMixer.h"

namespace ws {

namespace {

bool supportedPrimaryFormat(const WaveFormat& f) {
    return f.wFormatTag == WaveFormatPcm && (f.nChannels == 1 || f.nChannels == 2) &&
           (f.wBitsPerSample == 8 || f.wBitsPerSample == 16) && f.nSamplesPerSec >= FrequencyMin &&
           f.nSamplesPerSec <= FrequencyMax;
}

} // namespace

template <class Interface>
MixingDevice<Interface>::MixingDevice(const WaveFormat& output)
    : mixer_(SoftwareMixer::create(output)) {}

template <class Interface> MixingDevice<Interface>::~MixingDevice() {
    // Buffers may outlive the device; they are lost from now on.
    mixer_->markLost();
}

template <class Interface> int32_t MixingDevice<Interface>::setCooperativeLevel(int level) {
    if (level < CooperativeNormal || level > CooperativeExclusive)
        return DeviceResult::InvalidParam;
    level_ = level;
    return DeviceResult::Ok;
}

template <class Interface> int32_t MixingDevice<Interface>::primaryFormat(WaveFormat* out) const {
    if (!out)
        return DeviceResult::InvalidParam;
    *out = mixer_->outputFormat();
    return DeviceResult::Ok;
}

template <class Interface>
int32_t MixingDevice<Interface>::setPrimaryFormat(const WaveFormat& requested) {
    if (!supportedPrimaryFormat(requested))
        return DeviceResult::BadFormat;
    return applyPrimaryFormat(requested);
}

template <class Interface> int32_t MixingDevice<Interface>::playPrimary() {
    return mixer_->lost() ? DeviceResult::BufferLost : DeviceResult::Ok;
}

template <class Interface> int32_t MixingDevice<Interface>::setSpeakerConfig(uint32_t config) {
    speakerConfig_ = config;
    return DeviceResult::Ok;
}

template <class Interface>
int32_t MixingDevice<Interface>::createSoundBuffer(const WaveFormat& format, uint32_t bytes,
                                                   std::unique_ptr<SoundBuffer>* out) {
    return mixer_->createBuffer(format, bytes, out);
}

template <class Interface> bool MixingDevice<Interface>::lost() const {
    return mixer_->lost();
}

template <class Interface>
void MixingDevice<Interface>::setOutputTap(std::shared_ptr<OutputTap> tap) {
    // A recording that ends with a stop hears the stop's fade.
    settle();
    mixer_->setTap(std::move(tap));
}

template <class Interface> bool MixingDevice<Interface>::settle() {
    // A device that has gone plays nothing more: no wait.
    return !mixer_->lost() && mixer_->settle();
}

template class MixingDevice<SoundDevice>;
template class MixingDevice<ManualDevice>;

} // namespace ws
