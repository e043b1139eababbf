// The device result check: which codes pass, and the message and code a failure carries.
#include "audio/DeviceResult.h"
#include "audio/AudioErrors.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace ws {
namespace {

// The message and code that checkDeviceResult raises for `code`.
std::pair<std::string, int32_t> failureOf(int32_t code) {
    try {
        checkDeviceResult(code);
    } catch (const SoundDeviceError& e) {
        return {e.what(), e.ErrorCode};
    }
    ADD_FAILURE() << "no error for code " << code;
    return {};
}

TEST(DeviceResultTest, OnlyZeroPasses) {
    EXPECT_NO_THROW(checkDeviceResult(0));
    // Success codes other than 0 fail like any error.
    EXPECT_EQ(failureOf(1), std::make_pair(std::string("Unrecognized Error"), 1));
    EXPECT_EQ(failureOf(0x00040002).second, 0x00040002);
}

TEST(DeviceResultTest, FailuresCarryTheTextOfTheirCode) {
    EXPECT_EQ(failureOf(static_cast<int32_t>(0x88780096)),
              std::make_pair(std::string("The buffer memory has been lost and must be restored."),
                             static_cast<int32_t>(0x88780096)));
    EXPECT_EQ(failureOf(static_cast<int32_t>(0x88780078)).first,
              "No sound driver is available for use.");
    EXPECT_EQ(failureOf(static_cast<int32_t>(0x80070057)).first,
              "An invalid parameter was passed to the returning function.");
    EXPECT_EQ(failureOf(static_cast<int32_t>(0x88781161)).first,
              "The object requested was not found (numerically equal to DMUS_E_NOT_FOUND).");
    EXPECT_EQ(failureOf(static_cast<int32_t>(0x88780095)),
              std::make_pair(std::string("Unrecognized Error"), static_cast<int32_t>(0x88780095)));
}

TEST(DeviceResultTest, TheOutOfMemoryTextHoldsAnAcuteAccentInUtf8) {
    const std::string text = failureOf(static_cast<int32_t>(0x8007000E)).first;
    EXPECT_EQ(text, "The DirectSound subsystem could not allocate sufficient memory to complete "
                    "the caller\xC2\xB4s request.");
}

TEST(DeviceResultTest, TheTableHoldsEachCodeOnceWithAText) {
    std::set<int32_t> codes;
    for (const auto& entry : DeviceErrorText) {
        EXPECT_TRUE(codes.insert(entry.code).second) << entry.code;
        EXPECT_EQ(failureOf(entry.code), std::make_pair(std::string(entry.text), entry.code));
        EXPECT_NE(std::string(entry.text), "Unrecognized Error");
    }
    EXPECT_EQ(codes.size(), 23u);
}

} // namespace
} // namespace ws
