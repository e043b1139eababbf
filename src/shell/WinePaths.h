// Paths as the simulator sees them. On Windows they are this machine's own. On Linux the
// simulator runs under Wine: its drive letters are links in the prefix's "dosdevices"
// folder (c: to drive_c, z: to /), and a native program is named to it by its Z: path.
#pragma once

#include <QString>

namespace ws {

// The Wine prefix: WINEPREFIX where set, else ~/.wine.
QString winePrefix();

// Where a path the simulator names on its "C:" drive ("C:\Program Files\...") lives on this
// machine, spelled as on disk where it exists (Windows names ignore letter case).
QString simulatorDrivePath(const QString& windowsPath);

// True for "X:\..." or "X:/...": a path with a drive letter.
bool isDrivePath(const QString& argument);

// A drive-letter path handed over by Wine, mapped to the native path through the prefix's
// drive links (the letter in either case), spelled as on disk where it exists. A drive the
// prefix does not map, or anything that is not a drive path, comes back unchanged. On
// Windows every path is native and comes back unchanged.
QString nativeFromDrivePath(const QString& argument);

// The name under which Wine's programs reach the native file `path`: "Z:" and the absolute
// path with backslashes.
QString wineNameOf(const QString& path);

} // namespace ws
