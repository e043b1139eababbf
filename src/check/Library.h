// A whole library of assets at once: finding the asset folders below a root, and checking
// many folders on several threads with the reports handed on in a fixed order as soon as
// each one and all before it are done. Only a bounded number of reports is ever held, so
// memory stays flat however large the library.
#pragma once

#include "AssetCheck.h"

#include <QString>

#include <cstddef>
#include <filesystem>
#include <functional>
#include <vector>

namespace ws::check {

// A folder found below a root.
struct FoundFolder {
    std::filesystem::path native; // to check, as the file system spells it
    QString path;                 // shown: the root joined with `relative`
    QString relative;             // relative to the root, "/"-separated; empty for the root itself
};

struct FindCallbacks {
    // A folder that could not be read, and why; the walk goes on without it.
    std::function<void(const QString& folder, const QString& why)> skipped;
    // After every folder looked at: how many were looked at, how many are assets.
    std::function<void(std::size_t looked, std::size_t found)> progress;
};

// True for a folder that holds a sound asset: its config.txt says kind "enginesound", or
// its wave files fit the naming rules of a sound type.
bool isAssetFolder(const std::filesystem::path& folder);

// The asset folders at and below `root`, depth first in name order (letter case ignored).
// The walk does not go below an asset folder, follows links to folders but visits each
// folder once (a link back up the tree is no loop), and reports unreadable folders through
// `callbacks.skipped`. A root that is itself no folder is returned as the one asset, so
// that its check says so.
std::vector<FoundFolder> findAssetFolders(const std::filesystem::path& root,
                                          const FindCallbacks& callbacks = {});

// The default number of checking threads: one per core.
int defaultWorkers();

struct LibraryRun {
    std::size_t count = 0; // folders, numbered 0 .. count-1
    int workers = 1;
    // Reports that may be finished ahead of the oldest one not yet handed on; 0 for four
    // per worker. Workers wait rather than run further ahead.
    std::size_t window = 0;
    // Checks folder i; called on the worker threads, several at a time.
    std::function<AssetReport(std::size_t index)> check;
    // Receives the reports in index order on the calling thread; the report is dropped
    // when it returns. May throw: the workers stop and the exception leaves checkLibrary.
    std::function<void(std::size_t index, AssetReport& report)> done;
    // Called on the calling thread with the number of checks finished, when it grows.
    std::function<void(std::size_t finished)> progress;
};

// Runs the checks; returns when every report has been handed on.
void checkLibrary(const LibraryRun& run);

} // namespace ws::check
