// A library's check as a listing: one line per asset (its path, sound type and counts),
// the causes of its errors beneath it (all its findings when verbose), and a total; or, for
// scripts, one compact JSON object per asset per line and a summary object last.
#pragma once

#include "ReportFormat.h"

#include <QByteArray>
#include <QString>

namespace ws::check {

// The counts of a library's check so far.
struct LibraryTally {
    qsizetype assets = 0;
    qsizetype clean = 0;
    qsizetype warned = 0;  // warnings and no errors
    qsizetype failed = 0;  // errors
    qsizetype skipped = 0; // folders that could not be read

    void add(const AssetReport& report);
    // The worst of the assets' exit codes; a folder that could not be read counts as a
    // warning, since what it holds went unchecked.
    int exitCode() const;
};

// The width of the path column for the given paths on a line of `width` columns.
int nameColumn(const std::vector<QString>& names, int width);

// The asset's line, and what is beneath it.
QString assetListing(const QString& name, const AssetReport& report, const TextLayout& layout,
                     int nameColumn);

// "1,000 assets: 950 clean, 40 with warnings, 10 with errors."
QString tallyText(const LibraryTally& tally);

// One line each, ending in a newline. The asset's object is the full report with the root
// it was found below and its path relative to that root.
QByteArray assetJsonLine(const QString& root, const QString& relative, const AssetReport& report);
QByteArray tallyJsonLine(const LibraryTally& tally);

} // namespace ws::check
