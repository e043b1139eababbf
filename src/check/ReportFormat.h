// The asset checker's report as text for a reader and as JSON for scripts; both hold the
// same findings, files and limits.
#pragma once

#include "AssetCheck.h"

#include <QByteArray>
#include <QString>

namespace ws::check {

QString severityName(Severity severity);
QString needName(Need need);
// A finding's problem as a sentence, ending in one full stop.
QString problemSentence(const Finding& finding);
// One line on a file: "PCM 16-bit, 2 ch, 44100 Hz, 2.000 s, -18.3 LUFS", or why it has none.
QString fileSummary(const FileReport& file);

QString reportText(const AssetReport& report);
QByteArray reportJson(const AssetReport& report);

} // namespace ws::check
