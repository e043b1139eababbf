// A Trainz asset's config.txt, read for the engine-sound tags the asset checker compares
// with the files: tag-value lines, braced containers, quoted strings. The file is only
// read, never changed.
#pragma once

#include <QString>

#include <optional>
#include <vector>

namespace ws::check {

struct EngineSoundConfig {
    QString kind;                          // the asset's "kind", e.g. "enginesound"
    std::optional<bool> isRamping;         // "isramping"
    std::optional<bool> isFading;          // "isfading"
    std::optional<int> numberSlowSounds;   // "number-slow-sounds"
    std::optional<double> speedUp;         // "speedup"
    std::vector<double> rampUpDurations;   // "engine-sound-ramp-up-durations", seconds
    std::vector<double> rampDownDurations; // "engine-sound-ramp-down-durations"
};

struct ConfigParseError {
    int line = 0; // 1-based line where reading failed; for a container never closed, its '{'
    QString message;
};

struct ConfigReadResult {
    std::optional<EngineSoundConfig> config; // set when the file parsed
    std::optional<ConfigParseError> error;   // set when it did not
};

// Parses the text of a config.txt. Tags are found at any depth (the sound tags may sit in
// a container), matched without regard to letter case; the first occurrence counts.
ConfigReadResult parseConfigTxt(const QByteArray& text);

} // namespace ws::check
