// Sound-type detection: which kind of sound set an asset folder holds, decided from the
// names of the files in it, and the file existence test the sound logic uses throughout.
#pragma once

#include "AssetNames.h"

#include <QString>

namespace ws {

// True when a directory search for `name` in `folder` finds at least one entry and the
// first entry found (in name order, letter case ignored) is not a folder. `folder` ends in
// a separator; `name` is relative, its components separated by "/", and its last component
// may hold the wildcards "*" and "?". Every component matches without regard to letter
// case, since the assets come from Windows. A missing or unreadable folder gives false.
bool assetFileExists(const QString& folder, const QString& name);

// The path of the entry assetFileExists finds, spelled as it is on disk, so that it can be
// opened on a file system that minds letter case; a null string when none is found.
QString assetFilePath(const QString& folder, const QString& name);

// The subfolder `name` of `folder` (components separated by "/", no wildcards), found as
// assetFilePath finds files and spelled as on disk, without a trailing separator; a null
// string when there is none.
QString assetFolderPath(const QString& folder, const QString& name);

// True for a name that, lower-cased (letters A to Z only), begins with "steam_loop_": a
// Steam 2 running loop, which takes a slot in the loop list.
bool isSteamLoopName(const QString& name);

// The rpm a Steam 2 loop's name gives, or -1 for a name that gives none: the digits among
// the three characters after "steam_loop_" must be a number from 0 to 300 written without
// a leading zero, so "steam_loop_1000rpm.wav" gives 100 and "steam_loop_060rpm.wav" none.
// The loop is then played under the name rebuilt from the rpm (assetfile::steamLoopRpm).
int steamLoopRpmOf(const QString& name);

struct SoundClassification {
    int soundType; // SoundTypeElectric .. SoundTypeHorn, or SoundTypeNone
    int hornType;  // HornType1Part .. HornType3Part for horns, else HornTypeNone
};

// The first naming rule whose files all exist decides; {SoundTypeNone, HornTypeNone} when
// none does (the window then keeps its previous horn type and shows NoSoundTypeMessage).
SoundClassification classifySoundAsset(const QString& folder);

// A horn set has a bell when "idle 1.wav" lies in the asset folder itself.
bool bellAvailable(const QString& folder);

} // namespace ws
