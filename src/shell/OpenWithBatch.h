// What the Open-With installer writes: the simulator versions it knows, and the launcher
// batch file that the content manager's tools folder offers for opening an asset.
#pragma once

#include <QString>
#include <QStringList>

#include <array>

namespace ws {

struct SimulatorVersion {
    QString name;             // "TS2009"
    QStringList defaultRoots; // as the simulator names them, tried in this order
    QString maker;            // the folder below "Program Files" the prompt names
};

// TS2009, TS2010 and TS12, in the order the installer handles them.
const std::array<SimulatorVersion, 3>& simulatorVersions();

// Below a version's root folder: the content manager's tools folder, the installer's
// folder in it, and the batch file.
inline const QString ToolsFolder = QStringLiteral("bin/CMPData/Tools");
inline const QString InstallFolderName = QStringLiteral("OpenWith");
inline const QString BatchFileName = QStringLiteral("Whistlestop.bat");

// The executable `program` as the batch file names it. On Windows, its own path. On Linux,
// Wine's cmd starts a native program only under a name ending in ".exe": a link of that name
// to `program` is made afresh in the user's data folder, and named by its Wine path; where
// that name is not plain ASCII, in "C:\users\Public\Whistlestop" of the Wine prefix, and
// named by that. Throws std::runtime_error naming the link and the reason when it cannot be
// made.
QString launcherProgram(const QString& program);

// Writes the two-line batch file at `path` from scratch: "@echo off", then the quoted
// `program` (a "%" in it doubled, so that cmd reads it back) and the asset folder the content
// manager passes. Throws std::runtime_error naming the file and the reason when it cannot be
// written, or when `program` holds a double quote or characters outside ASCII.
void WriteOpenWithBatch(const QString& path, const QString& program);

} // namespace ws
