// The result check that every sound-device call of the audio engine passes through: 0
// passes, any other code raises SoundDeviceError with the text of DeviceErrorText.
#pragma once

#include <cstdint>
#include <span>

namespace ws {

struct DeviceErrorEntry {
    int32_t code;
    const char* text;
};

// The known result codes and their messages (UTF-8).
extern const std::span<const DeviceErrorEntry> DeviceErrorText;

// The message for `code`: its text from DeviceErrorText, else "Unrecognized Error".
const char* deviceErrorText(int32_t code);

// Returns when `code` is 0; raises SoundDeviceError with the message and the code for
// every other value, success codes other than 0 included.
void checkDeviceResult(int32_t code);

} // namespace ws
