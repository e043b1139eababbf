// Installs a manual sound system (devices that render only when a test asks) as the
// process-wide back end for the life of the object, reloads the device lists from it, and
// puts the previous back end back afterwards. Destroy mixers and channels before it.
#pragma once

#include "audio/ManualSoundSystem.h"
#include "audio/Mixer.h"

#include <memory>
#include <vector>

namespace ws::test {

class ManualBackEnd {
public:
    explicit ManualBackEnd(std::vector<OutputDeviceInfo> devices = {{"Manual output", ""}}) {
        auto system = std::make_unique<ManualSoundSystem>(std::move(devices));
        system_ = system.get();
        previous_ = setSoundSystem(std::move(system));
        loadDeviceLists();
    }
    ~ManualBackEnd() { setSoundSystem(std::move(previous_)); }
    ManualBackEnd(const ManualBackEnd&) = delete;
    ManualBackEnd& operator=(const ManualBackEnd&) = delete;

    ManualSoundSystem& system() const { return *system_; }
    // The open device; fails the test when there is none.
    ManualDevice& device() const { return *system_->current(); }

private:
    ManualSoundSystem* system_ = nullptr;
    std::unique_ptr<SoundSystem> previous_;
};

} // namespace ws::test
