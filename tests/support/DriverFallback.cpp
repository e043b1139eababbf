// The driver-fallback set-up; see DriverFallback.h.
#include "DriverFallback.h"

#include "audio/Mixer.h"
#include "audio/SdlSoundSystem.h"

namespace ws::test {

DriverFallback::DriverFallback(const PulseServer& server) : server_(server) {
    touch(dir_ / "asound.conf");
    env_.set("SDL_AUDIODRIVER", "");
    env_.set("ALSA_CONFIG_PATH", (dir_ / "asound.conf").string());
    env_.set("PULSE_SERVER", "unix:" + (dir_ / "nobody-here").string());
    previous_ = setSoundSystem(std::make_unique<SdlSoundSystem>());
    loadDeviceLists();
}

DriverFallback::~DriverFallback() {
    setSoundSystem(std::move(previous_));
}

void DriverFallback::reach() {
    env_.set("PULSE_SERVER", server_.address());
}

} // namespace ws::test
