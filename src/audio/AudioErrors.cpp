// Formatting of internal-check messages.
#include "AudioErrors.h"

#include <cstring>

namespace ws {

std::string assertionMessage(const char* text, const char* file, int line) {
    const char* base = std::strrchr(file, '/');
    base = base ? base + 1 : file;
    return std::string(text) + " (" + base + ", line " + std::to_string(line) + ")";
}

} // namespace ws
