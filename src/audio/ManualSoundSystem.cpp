// The manual back end: devices that mix only when a test asks them to render.
#include "ManualSoundSystem.h"

#include "MixingDevice.h"
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
    uint32_t period = ManualSoundSystem::DefaultPeriod;
    int32_t failCode = 0;
};

} // namespace

struct ManualSoundSystem::State : ManualSystemState {};

namespace {

// The forced rate, when set, stands for a device that accepts only its own rate.
class ManualDeviceImpl final : public MixingDevice<ManualDevice> {
public:
    ManualDeviceImpl(std::shared_ptr<ManualSystemState> state, uint32_t forcedRate, uint32_t period)
        : MixingDevice(WaveFormat::pcm(2, forcedRate ? forcedRate : 44100, 16)),
          state_(std::move(state)), forcedRate_(forcedRate) {
        mixer().setPeriod(period);
    }

    ~ManualDeviceImpl() override {
        std::lock_guard lock(state_->mutex);
        if (state_->current == this)
            state_->current = nullptr;
    }

    void render(void* out, std::size_t frames) override { mixer().render(out, frames); }
    void renderFloat(float* out, std::size_t frames) override { mixer().mix(out, frames); }
    void loseDevice() override { mixer().markLost(); }

private:
    int32_t applyPrimaryFormat(const WaveFormat& requested) override {
        mixer().setOutputFormat(WaveFormat::pcm(
            requested.nChannels, forcedRate_ ? forcedRate_ : requested.nSamplesPerSec,
            requested.wBitsPerSample));
        return DeviceResult::Ok;
    }

    std::shared_ptr<ManualSystemState> state_;
    const uint32_t forcedRate_;
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
    uint32_t period;
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
        period = state_->period;
    }
    auto device = std::make_unique<ManualDeviceImpl>(state_, rate, period);
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

bool ManualSoundSystem::renderCurrent(void* out, std::size_t frames) {
    std::lock_guard lock(state_->mutex);
    if (!state_->current)
        return false;
    state_->current->render(out, frames);
    return true;
}

std::string ManualSoundSystem::lastOpenedId() const {
    std::lock_guard lock(state_->mutex);
    return state_->lastOpenedId;
}

void ManualSoundSystem::setDeviceRate(uint32_t hz) {
    std::lock_guard lock(state_->mutex);
    state_->deviceRate = hz;
}

void ManualSoundSystem::setDevicePeriod(uint32_t frames) {
    std::lock_guard lock(state_->mutex);
    state_->period = frames;
}

void ManualSoundSystem::failCreateWith(int32_t code) {
    std::lock_guard lock(state_->mutex);
    state_->failCode = code;
}

} // namespace ws
