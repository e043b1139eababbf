// The real program run as a separate process from a copy of its own, so that its settings
// file (beside it) is the test's, and what a test needs to close it as a desktop session
// would.
#pragma once

#include "TestSupport.h"

#include <filesystem>
#include <fstream>
#include <string>

namespace ws::test {

// True once the process catches `signal` (its handler is installed).
inline bool catches(long long pid, int signal) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("SigCgt:", 0) == 0) {
            const unsigned long long mask = std::stoull(line.substr(7), nullptr, 16);
            return (mask >> (signal - 1)) & 1u;
        }
    }
    return false;
}

// Copies the program into `dir`.
inline std::filesystem::path installProgram(const std::filesystem::path& dir) {
    const std::filesystem::path program = dir / "whistlestop";
    std::filesystem::copy_file(WS_PROGRAM, program);
    return program;
}

} // namespace ws::test
