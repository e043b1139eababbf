// The process-wide sound system: SDL2 unless a test installed another one first.
#include "SdlSoundSystem.h"
#include "SoundDevice.h"

#include <mutex>

namespace ws {

namespace {
std::mutex systemMutex; // guards installedSystem
std::unique_ptr<SoundSystem> installedSystem;
} // namespace

SoundSystem& soundSystem() {
    std::lock_guard lock(systemMutex);
    if (!installedSystem)
        installedSystem = std::make_unique<SdlSoundSystem>();
    return *installedSystem;
}

std::unique_ptr<SoundSystem> setSoundSystem(std::unique_ptr<SoundSystem> system) {
    std::lock_guard lock(systemMutex);
    std::swap(installedSystem, system);
    return system;
}

} // namespace ws
