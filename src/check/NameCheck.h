// The names of a set's files: which files the player looks for and does not find, which
// wave files it never plays, what a misnamed file was most likely meant to be, and whether
// the files fit another kind of set better than the one their names make of them.
#pragma once

#include "AssetFolder.h"
#include "CheckContext.h"

#include <vector>

namespace ws::check {

// The report's files hold the expected ones, each with its path found or empty; the wave
// files no rule plays are added to them as unused.
void checkNames(CheckContext& context, const std::vector<DiskEntry>& onDisk, const QString& base);

// For a folder that meets no naming rule: the error, with the type its names come closest to.
void reportUnrecognised(CheckContext& context, const std::vector<DiskEntry>& onDisk);

} // namespace ws::check
