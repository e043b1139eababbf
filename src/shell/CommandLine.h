// The options a command-line user gives instead of opening the window: checking an asset
// folder or a whole library of them (for scripts that vet content before upload), help and
// version. Options may come in any order; an unknown one is bad usage.
#pragma once

#include <optional>

namespace ws {

// Exit codes of "--check": nothing wrong, warnings only, errors, bad usage.
inline constexpr int CheckClean = 0;
inline constexpr int CheckWarnings = 1;
inline constexpr int CheckErrors = 2;
inline constexpr int BadUsage = 3;

// Runs what the options ask for and returns the exit code; std::nullopt when the command
// line holds none of them and the window is to start. Needs no display.
std::optional<int> runCommandLine(int argc, char** argv);

} // namespace ws
