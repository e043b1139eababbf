// Texts of the sound device's result codes and the check that turns a failing code into
// a SoundDeviceError.
#include "DeviceResult.h"

#include "AudioErrors.h"

#include <array>

namespace ws {

namespace {

constexpr int32_t code(uint32_t value) {
    return static_cast<int32_t>(value);
}

constexpr std::array Table{
    DeviceErrorEntry{code(0x80004001), "The function called is not supported at this time."},
    DeviceErrorEntry{code(0x80004002), "The requested COM interface is not available."},
    DeviceErrorEntry{code(0x80004005),
                     "An undetermined error occurred inside the DirectSound subsystem."},
    DeviceErrorEntry{code(0x80040110), "The object does not support aggregation."},
    DeviceErrorEntry{code(0x80070005), "Access is denied."},
    // The mark in "caller´s" is the acute accent U+00B4, not an apostrophe.
    DeviceErrorEntry{code(0x8007000E), "The DirectSound subsystem could not allocate sufficient "
                                       "memory to complete the caller´s request."},
    DeviceErrorEntry{code(0x80070057),
                     "An invalid parameter was passed to the returning function."},
    DeviceErrorEntry{code(0x8878000A), "The request failed because resources, such as a priority "
                                       "level, were already in use by another caller."},
    DeviceErrorEntry{code(0x8878001E), "The control (volume, pan, and so forth) requested by the "
                                       "caller is not available."},
    DeviceErrorEntry{code(0x88780032),
                     "This function is not valid for the current state of this object."},
    DeviceErrorEntry{code(0x88780046), "The caller does not have the priority level required for "
                                       "the function to succeed."},
    DeviceErrorEntry{code(0x88780064), "The specified wave format is not supported."},
    DeviceErrorEntry{code(0x88780078), "No sound driver is available for use."},
    DeviceErrorEntry{code(0x88780082), "The object is already initialized."},
    DeviceErrorEntry{code(0x88780096), "The buffer memory has been lost and must be restored."},
    DeviceErrorEntry{code(0x887800A0), "Another application has a higher priority level, "
                                       "preventing this call from succeeding."},
    DeviceErrorEntry{code(0x887800AA),
                     "The IDirectSound::Initialize method has not been called or has not been "
                     "called successfully before other methods were called."},
    DeviceErrorEntry{code(0x887800B4), "Tried to create a DSBCAPS_CTRLFX buffer shorter than "
                                       "DSBSIZE_FX_MIN milliseconds."},
    DeviceErrorEntry{code(0x887800BE),
                     "Attempt to use DirectSound 8 functionality on an older DirectSound object."},
    DeviceErrorEntry{code(0x887800C8), "A circular loop of send effects was detected."},
    DeviceErrorEntry{code(0x887800D2), "The GUID specified in an audiopath file does not match a "
                                       "valid MIXIN buffer."},
    DeviceErrorEntry{code(0x887800DC),
                     "The effects requested could not be found on the system, or they were found "
                     "but in the wrong order, or in the wrong hardware/software locations."},
    DeviceErrorEntry{code(0x88781161), "The object requested was not found (numerically equal to "
                                       "DMUS_E_NOT_FOUND)."},
};

} // namespace

const std::span<const DeviceErrorEntry> DeviceErrorText{Table};

const char* deviceErrorText(int32_t code) {
    for (const auto& entry : Table)
        if (entry.code == code)
            return entry.text;
    return "Unrecognized Error";
}

void checkDeviceResult(int32_t code) {
    if (code != 0)
        throw SoundDeviceError(deviceErrorText(code), code);
}

} // namespace ws
