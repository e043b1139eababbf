// What the devices of both output back ends have in common: a software mixer that holds
// their secondary buffers and renders their output, a cooperative level and a speaker
// configuration that are stored and read back, and the primary format read back from the
// mixer. A back end's device derives from MixingDevice<its interface> and supplies only how
// a requested primary format is put into effect (and whatever drives the mix).
//
// Threads: the device's own calls come from the thread that opened it (the mixer device's,
// the user-interface thread); level_ and speakerConfig_ are plain fields used only there.
// lost() may be asked from any thread. The software mixer is shared with the buffers, which
// control threads use, and with the back end's output callback, which mixes; it guards its
// own state (see SoftwareMixer), and applyPrimaryFormat changes its format only while no
// mix runs.
#pragma once

#include "SoundDevice.h"

#include <memory>

namespace ws {

class SoftwareMixer;

// `Interface` is SoundDevice or a back end's extension of it (ManualDevice); the members
// are defined, and the template instantiated for both, in MixingDevice.cpp.
template <class Interface> class MixingDevice : public Interface {
public:
    ~MixingDevice() override;
    MixingDevice(const MixingDevice&) = delete;
    MixingDevice& operator=(const MixingDevice&) = delete;

    int32_t setCooperativeLevel(int level) override;
    int cooperativeLevel() const override { return level_; }

    int32_t primaryFormat(WaveFormat* out) const override;
    // BadFormat for anything but 8/16-bit PCM of 1 or 2 channels at FrequencyMin..
    // FrequencyMax; otherwise what applyPrimaryFormat makes of the request.
    int32_t setPrimaryFormat(const WaveFormat& requested) override;
    int32_t playPrimary() override;

    int32_t setSpeakerConfig(uint32_t config) override;
    uint32_t speakerConfig() const override { return speakerConfig_; }

    int32_t createSoundBuffer(const WaveFormat& format, uint32_t bytes,
                              std::unique_ptr<SoundBuffer>* out) override;
    bool lost() const override;
    void setOutputTap(std::shared_ptr<OutputTap> tap) override;
    bool settle() override;

protected:
    // The mixer starts with `output` as its output format.
    explicit MixingDevice(const WaveFormat& output);

    // Puts a supported primary format into effect, or reports why it cannot.
    virtual int32_t applyPrimaryFormat(const WaveFormat& requested) = 0;

    SoftwareMixer& mixer() const { return *mixer_; }

private:
    // Shared with the buffers, which may outlive the device; lost once the device is gone.
    const std::shared_ptr<SoftwareMixer> mixer_;
    int level_ = CooperativeNormal;
    uint32_t speakerConfig_ = 0;
};

} // namespace ws
