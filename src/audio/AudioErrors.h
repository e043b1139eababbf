// The audio engine's exceptions: decoder and device failures carry the failing 32-bit
// result code; internal consistency checks raise InternalError with the text, the source
// file and the line of the check.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace ws {

class AudioReadError : public std::runtime_error {
public:
    AudioReadError(const std::string& message, int32_t code)
        : std::runtime_error(message), ErrorCode(code) {}
    int32_t ErrorCode;
};

class SoundDeviceError : public std::runtime_error {
public:
    SoundDeviceError(const std::string& message, int32_t code)
        : std::runtime_error(message), ErrorCode(code) {}
    int32_t ErrorCode;
};

class InternalError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// "<text> (<file name>, line <n>)", the file given without its folders.
std::string assertionMessage(const char* text, const char* file, int line);

} // namespace ws

// Raises InternalError when `cond` does not hold.
#define WS_CHECK(cond, text)                                                                       \
    do {                                                                                           \
        if (!(cond))                                                                               \
            throw ::ws::InternalError(::ws::assertionMessage((text), __FILE__, __LINE__));         \
    } while (0)
