// Makes the SDL back end start on a driver that has nothing to open: ALSA without any
// device and the private sound server out of reach, with SDL choosing its driver. Once
// reach() points the process at the server, the next open of the default device falls back
// to the driver that reaches it. The process-wide sound system is SDL's while this lives;
// the previous one, and the environment, come back afterwards.
#pragma once

#include "PulseServer.h"
#include "TestSupport.h"

#include <memory>

namespace ws {
class SoundSystem;
}

namespace ws::test {

class DriverFallback {
public:
    explicit DriverFallback(const PulseServer& server);
    ~DriverFallback();
    DriverFallback(const DriverFallback&) = delete;
    DriverFallback& operator=(const DriverFallback&) = delete;

    void reach();

private:
    const PulseServer& server_;
    TempDir dir_;
    ScopedEnv env_;
    std::unique_ptr<SoundSystem> previous_;
};

} // namespace ws::test
