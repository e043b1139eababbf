// The device result check: which codes pass, and the message and code a failure carries.
#include "audio/DeviceResult.h"
#include "audio/AudioErrors.h"

#include <gtest/gtest.h>

#include <string>

namespace ws {
namespace {

// The message and code that checkDeviceResult raises for `code`.
std::pair<std::string, int32_t> failureOf(uint32_t code) {
    try {
        checkDeviceResult(static_cast<int32_t>(code));
    } catch (const SoundDeviceError& e) {
        return {e.what(), e.ErrorCode};
    }
    ADD_FAILURE() << "no error for code " << code;
    return {};
}

TEST(DeviceResultTest, OnlyZeroPassesAndFailuresCarryTheirTextAndCode) {
    EXPECT_NO_THROW(checkDeviceResult(0));
    // Success codes other than 0 fail like any error.
    EXPECT_EQ(failureOf(1), std::make_pair(std::string("Unrecognized Error"), 1));
    EXPECT_EQ(failureOf(0x88780096),
              std::make_pair(std::string("The buffer memory has been lost and must be restored."),
                             static_cast<int32_t>(0x88780096)));
    EXPECT_EQ(failureOf(0x88781161).first,
              "The object requested was not found (numerically equal to DMUS_E_NOT_FOUND).");
    EXPECT_EQ(failureOf(0x88780095).first, "Unrecognized Error");
    // The mark in "caller´s" is U+00B4, in UTF-8.
    EXPECT_EQ(failureOf(0x8007000E).first,
              "The DirectSound subsystem could not allocate sufficient memory to complete "
              "the caller\xC2\xB4s request.");
    EXPECT_EQ(DeviceErrorText.size(), 23u);
}

} // namespace
} // namespace ws
