// The asset's config.txt against its files: ramping with no transitions, a count of slow
// sounds that is not the number of piston strokes, ramp durations that are not the files'.
// The file is read with care: it may be UTF-16, huge, or not a file at all.
#pragma once

#include "CheckContext.h"
#include "ConfigTxt.h"

#include <optional>
#include <string>

namespace ws::check {

// Larger than any real asset's config.txt by far.
inline constexpr qint64 MaxConfigBytes = 4 * 1024 * 1024;

struct ConfigFile {
    ConfigReadResult parsed;
    QString unreadable; // why it was not read, when it was not
};

// Reads and parses a config.txt; never waits on a pipe or a device.
ConfigFile readConfigFile(const std::string& native);

void checkConfig(CheckContext& context, const QString& name, const std::string& native);

} // namespace ws::check
