// The library listing and its JSON lines; see LibraryFormat.h.
#include "LibraryFormat.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>

namespace ws::check {

namespace {

// Wide enough for "Horn (2 Part)" and "not recognised".
constexpr int TypeColumn = 14;
// Room kept on a line for the type and the counts beside the path.
constexpr int CountsRoom = 2 + TypeColumn + 2 + 20;
// Files named in a one-line cause before "and N more".
constexpr qsizetype NamedFiles = 3;

QString countsOf(const AssetReport& report, bool colour) {
    const int errors = report.errors();
    const int warnings = report.warnings();
    if (errors == 0 && warnings == 0)
        return QStringLiteral("clean");
    QStringList parts;
    if (errors > 0)
        parts << counted(errors, QStringLiteral("error"));
    if (warnings > 0)
        parts << counted(warnings, QStringLiteral("warning"));
    QString text = parts.join(QStringLiteral(", "));
    if (colour)
        text = (errors > 0 ? QStringLiteral("\033[1;31m") : QStringLiteral("\033[1;33m")) + text +
               QStringLiteral("\033[0m");
    return text;
}

// Each error cause on one line, with the files it hits: what to look at first.
QString errorCauses(const AssetReport& report, const TextLayout& layout) {
    QStringList causes;
    std::vector<QStringList> files;
    for (const Finding& f : report.findings) {
        if (f.severity != Severity::Error)
            continue;
        const QString cause = f.cause.isEmpty() ? f.problem : f.cause;
        const qsizetype at = causes.indexOf(cause);
        if (at < 0) {
            causes << cause;
            files.push_back(f.file.isEmpty() ? QStringList() : QStringList{f.file});
        } else if (!f.file.isEmpty()) {
            files[std::size_t(at)] << f.file;
        }
    }
    QString text;
    for (qsizetype i = 0; i < causes.size(); ++i) {
        const QStringList& hit = files[std::size_t(i)];
        QString line = QStringLiteral(": ") + causes[i];
        if (!hit.isEmpty()) {
            QString names = hit.mid(0, NamedFiles).join(QStringLiteral(", "));
            if (hit.size() > NamedFiles)
                names += QStringLiteral(" and %1 more").arg(hit.size() - NamedFiles);
            line += QStringLiteral(" (%1)").arg(names);
        }
        const QString plain = severityLabel(Severity::Error, false);
        QString wrappedLine = wrapped(plain + line, layout.width, 4, 6);
        if (layout.colour)
            wrappedLine.replace(4, plain.size(), severityLabel(Severity::Error, true));
        text += wrappedLine;
    }
    return text;
}

} // namespace

void LibraryTally::add(const AssetReport& report) {
    ++assets;
    if (report.errors() > 0)
        ++failed;
    else if (report.warnings() > 0)
        ++warned;
    else
        ++clean;
}

int LibraryTally::exitCode() const {
    return failed > 0 ? 2 : (warned > 0 || skipped > 0) ? 1 : 0;
}

int nameColumn(const std::vector<QString>& names, int width) {
    qsizetype longest = 0;
    for (const QString& name : names)
        longest = std::max(longest, name.size());
    return int(std::min<qsizetype>(longest, std::max(width - CountsRoom, 12)));
}

QString assetListing(const QString& name, const AssetReport& report, const TextLayout& layout,
                     int nameColumn) {
    const QString type = report.soundType >= 0 ? report.typeName : QStringLiteral("not recognised");
    const QString rest =
        type.leftJustified(TypeColumn) + QStringLiteral("  ") + countsOf(report, layout.colour);
    QString text;
    // A path too long for its column stands alone; the type and counts go beneath it.
    if (name.size() > nameColumn)
        text = name + QLatin1Char('\n') + QString(nameColumn + 2, QLatin1Char(' ')) + rest;
    else
        text = name.leftJustified(nameColumn) + QStringLiteral("  ") + rest;
    text += QLatin1Char('\n');
    if (layout.verbose)
        text += groupedFindings(report.findings, layout, 4);
    else
        text += errorCauses(report, layout);
    return text;
}

QString tallyText(const LibraryTally& tally) {
    QString text = QStringLiteral("%1: %2 clean, %3 with warnings, %4 with errors")
                       .arg(counted(tally.assets, QStringLiteral("asset")))
                       .arg(tally.clean)
                       .arg(tally.warned)
                       .arg(tally.failed);
    if (tally.skipped > 0)
        text += QStringLiteral("; %1 could not be read")
                    .arg(counted(tally.skipped, QStringLiteral("folder")));
    return text + QStringLiteral(".\n");
}

QByteArray assetJsonLine(const QString& root, const QString& relative, const AssetReport& report) {
    QJsonObject object = reportJsonObject(report);
    object["root"] = root;
    object["path"] = relative;
    return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
}

QByteArray tallyJsonLine(const LibraryTally& tally) {
    const QJsonObject summary{{"summary", true},
                              {"assets", tally.assets},
                              {"clean", tally.clean},
                              {"withWarnings", tally.warned},
                              {"withErrors", tally.failed},
                              {"skipped", tally.skipped},
                              {"exitCode", tally.exitCode()}};
    return QJsonDocument(summary).toJson(QJsonDocument::Compact) + '\n';
}

} // namespace ws::check
