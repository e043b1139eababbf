// The asset checker's report as text for a reader and as JSON for scripts. The text groups
// the findings by their cause (one heading and one piece of advice for every file a cause
// hits) and wraps to the reader's width; the JSON holds everything, files and limits too.
#pragma once

#include "AssetCheck.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>

#include <optional>
#include <vector>

namespace ws::check {

// How the text is laid out for its reader.
struct TextLayout {
    int width = 80;       // columns to wrap to
    bool colour = false;  // ANSI colours on the severities (for a terminal)
    bool verbose = false; // the file table and the limits as well as the findings
};

QString severityName(Severity severity);
QString needName(Need need);
// A finding's problem as a sentence, ending in one full stop.
QString problemSentence(const Finding& finding);
// One line on a file: "PCM 16-bit, 2 ch, 44100 Hz, 2.000 s, -18.3 LUFS", or why it has none.
QString fileSummary(const FileReport& file);

// "1 error", "2 errors", "1,000 assets": the count with its noun in the right number.
QString counted(qsizetype count, const QString& noun);
// "ERROR" or "WARNING", in red or yellow when colour is wanted.
QString severityLabel(Severity severity, bool colour);
// Lines of at most `width` columns broken at spaces, each ending in a newline: the first
// starts after `indent` spaces, the rest after `hanging` spaces. A word longer than a line
// (a path) stands on a line of its own rather than being cut.
QString wrapped(const QString& text, int width, int indent, int hanging);

// The findings grouped by cause, errors first, every line `indent` columns in; only those
// of one severity when `only` is set.
QString groupedFindings(const std::vector<Finding>& findings, const TextLayout& layout, int indent,
                        std::optional<Severity> only = std::nullopt);

QString reportText(const AssetReport& report, const TextLayout& layout = {});
QJsonObject reportJsonObject(const AssetReport& report);
QByteArray reportJson(const AssetReport& report);

} // namespace ws::check
