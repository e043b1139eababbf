// The manual back end: devices that mix only when a test asks them to render.
#include "ManualSoundSystem.h"

#include "SoftwareMixer.h"

#include <algorithm>

namespace ws {

namespace {

class ManualDeviceImpl;

// Shared by the system and its devices, which may outlive it.
struct ManualSystemState {
    std::mutex mutex; // guards every field below
    std::vector<OutputDeviceInfo> devices;
    ManualDeviceImpl* current = nullptr;
    std::string lastOpenedId;
    uint32_t deviceRate = 0;
    int32_t failCode = 0;
};

} // namespace

struct ManualSoundSystem::State : ManualSystemState {};

namespace {

bool supportedPrimaryFormat(const WaveFormat& f) {
    return f.wFormatTag == WaveFormatPcm && (f.nChannels == 1 || f.nChannels == 2) &&
           (f.wBitsPerSample == 8 || f.wBitsPerSample == 16) && f.nSamplesPerSec >= FrequencyMin &&
           f.nSamplesPerSec <= FrequencyMax;
}

class ManualDeviceImpl final : public ManualDevice {
public:
    ManualDeviceImpl(std::shared_ptr<ManualSystemState> state, uint32_t forcedRate)
        : state_(std::move(state)), forcedRate_(forcedRate),
          mixer_(SoftwareMixer::create(WaveFormat::pcm(2, forcedRate ? forcedRate : 44100, 16))) {}

    ~ManualDeviceImpl() override {
        // Buffers may outlive the device; they are lost from now on.
        mixer_->markLost();
        std::lock_guard lock(state_->mutex);
        if (state_->current == this)
            state_->current = nullptr;
    }

    int32_t setCooperativeLevel(int level) override {
        if (level < CooperativeNormal || level > CooperativeExclusive)
            return DeviceResult::InvalidParam;
        level_ = level;
        return DeviceResult::Ok;
    }
    int cooperativeLevel() const override { return level_; }

    int32_t primaryFormat(WaveFormat* out) const override {
        if (!out)
            return DeviceResult::InvalidParam;
        *out = mixer_->outputFormat();
        return DeviceResult::Ok;
    }
    int32_t setPrimaryFormat(const WaveFormat& requested) override {
        if (!supportedPrimaryFormat(requested))
            return DeviceResult::BadFormat;
        mixer_->setOutputFormat(WaveFormat::pcm(
            requested.nChannels, forcedRate_ ? forcedRate_ : requested.nSamplesPerSec,
            requested.wBitsPerSample));
        return DeviceResult::Ok;
    }
    int32_t playPrimary() override {
        return mixer_->lost() ? DeviceResult::BufferLost : DeviceResult::Ok;
    }

    int32_t setSpeakerConfig(uint32_t config) override {
        speakerConfig_ = config;
        return DeviceResult::Ok;
    }
    uint32_t speakerConfig() const override { return speakerConfig_; }

    int32_t createSoundBuffer(const WaveFormat& format, uint32_t bytes,
                              std::unique_ptr<SoundBuffer>* out) override {
        return mixer_->createBuffer(format, bytes, out);
    }
    bool lost() const override { return mixer_->lost(); }

    void render(void* out, std::size_t frames) override { mixer_->render(out, frames); }
    void renderFloat(float* out, std::size_t frames) override { mixer_->mix(out, frames); }
    void loseDevice() override { mixer_->markLost(); }

private:
    std::shared_ptr<ManualSystemState> state_;
    const uint32_t forcedRate_;
    std::shared_ptr<SoftwareMixer> mixer_;
    int level_ = CooperativeNormal;
    uint32_t speakerConfig_ = 0;
};

} // namespace

ManualSoundSystem::ManualSoundSystem(std::vector<OutputDeviceInfo> devices)
    : state_(std::make_shared<State>()) {
    state_->devices = std::move(devices);
}

ManualSoundSystem::~ManualSoundSystem() = default;

std::vector<OutputDeviceInfo> ManualSoundSystem::enumerateDevices() {
    std::lock_guard lock(state_->mutex);
    return state_->devices;
}

int32_t ManualSoundSystem::createDevice(const std::string& id, std::unique_ptr<SoundDevice>* out) {
    if (!out)
        return DeviceResult::InvalidParam;
    uint32_t rate;
    {
        std::lock_guard lock(state_->mutex);
        state_->lastOpenedId = id;
        if (state_->failCode != 0)
            return state_->failCode;
        const bool known = std::any_of(state_->devices.begin(), state_->devices.end(),
                                       [&](const OutputDeviceInfo& d) { return d.id == id; });
        if (!known)
            return DeviceResult::NoDriver;
        rate = state_->deviceRate;
    }
    auto device = std::make_unique<ManualDeviceImpl>(state_, rate);
    {
        std::lock_guard lock(state_->mutex);
        state_->current = device.get();
    }
    *out = std::move(device);
    return DeviceResult::Ok;
}

ManualDevice* ManualSoundSystem::current() const {
    std::lock_guard lock(state_->mutex);
    return state_->current;
}

std::string ManualSoundSystem::lastOpenedId() const {
    std::lock_guard lock(state_->mutex);
    return state_->lastOpenedId;
}

void ManualSoundSystem::setDeviceRate(uint32_t hz) {
    std::lock_guard lock(state_->mutex);
    state_->deviceRate = hz;
}

void ManualSoundSystem::failCreateWith(int32_t code) {
    std::lock_guard lock(state_->mutex);
    state_->failCode = code;
}

} // namespace ws
