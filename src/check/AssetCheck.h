// The asset checker: what is wrong with a sound set before the simulator finds it. It
// classifies the folder as the player does, lists every file the detected type looks for,
// measures each wave file, compares neighbouring notches and the asset's config.txt, and
// reports each finding with its file, what is wrong and what to do.
#pragma once

#include "AudioMeasure.h"

#include <QString>
#include <QStringList>

#include <filesystem>
#include <string>
#include <vector>

namespace ws::check {

// What a listener hears, as limits. Stated in every report.
inline constexpr double LoopGapMs = 10.0;       // silence at either end of a loop
inline constexpr double DcOffsetLimit = 0.01;   // -40 dBFS of offset
inline constexpr double NotchStepLimitLu = 6.0; // between neighbouring loops
inline constexpr double JoinStepLimitLu = 6.0;  // a transition's end against its next loop
inline constexpr double RampToleranceSeconds = 0.1;
inline constexpr double LoopFadeLimitLu = 4.0; // a loop's last 400 ms against its first

enum class Severity { Warning, Error };

struct Finding {
    Severity severity;
    QString file;    // relative to the asset folder; empty for the folder as a whole
    QString problem; // the whole statement: `cause`, then ": " and `detail` when there is one
    QString advice;
    // What went wrong in words that are the same for every file it hits ("clicks at every
    // repeat"), so that a report can group the files one cause hits; and what is particular
    // to this file ("the step across the seam is 0.120 of full scale"), possibly empty.
    QString cause;
    QString detail;
};

// Why the checker looks for a file.
enum class Need {
    Required,  // the sound type is not recognised without it
    LookedFor, // played when needed; a notch or a step is silent without it
    Optional,  // played when present
    Unused,    // a wave file that no rule of the detected type plays
};

struct FileReport {
    QString name;       // relative to the asset folder, as the player names it
    QString onDisk;     // the path found, empty when missing
    std::string native; // the same path as the file system spells it
    Need need = Need::LookedFor;
    bool loop = false;
    AudioMeasure measure; // measured when present
};

// One bar of the loudness chart.
struct LoudnessBar {
    QString label;            // short: "idle 3", "up 1 - 2", "120 rpm"
    QString file;             // the file it measures, as FileReport::name
    double lufs = NoLoudness; // NoLoudness for a missing or silent file: an empty slot
    bool missing = false;     // the file is not in the folder
    bool failing = false;     // a finding on this file concerns its loudness
};

struct AssetReport {
    QString folder;
    int soundType = -1; // SoundType* of the player, or -1
    int hornType = -1;
    QString typeName; // "Diesel", "Horn (2 Part)", or empty
    QString rule;     // the naming rule that matched
    std::vector<FileReport> files;
    std::vector<Finding> findings;
    std::vector<LoudnessBar> loudness;
    double loudnessToleranceLu = NotchStepLimitLu; // neighbouring bars may differ this much
    QStringList thresholds;

    int errors() const;
    int warnings() const;
    // 0 clean, 1 warnings only, 2 errors.
    int exitCode() const;
};

// Checks the folder. Never throws for the content of the folder.
AssetReport checkAssetFolder(const std::filesystem::path& folder);
AssetReport checkAssetFolder(const QString& folder);

} // namespace ws::check
