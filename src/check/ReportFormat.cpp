// The checker's report as text and JSON; see ReportFormat.h.
#include "ReportFormat.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QLocale>

#include <algorithm>
#include <cmath>

namespace ws::check {

namespace {

QJsonValue number(double value) {
    return std::isfinite(value) ? QJsonValue(value) : QJsonValue(QJsonValue::Null);
}

// The findings of one cause, in the order the checker made them.
struct Group {
    Severity severity;
    QString cause;
    std::vector<const Finding*> findings;

    // The advice when every finding of the group gives the same, else empty.
    QString sharedAdvice() const {
        const QString& first = findings.front()->advice;
        const bool same = std::all_of(findings.begin(), findings.end(),
                                      [&](const Finding* f) { return f->advice == first; });
        return same ? first : QString();
    }
};

std::vector<Group> groupsOf(const std::vector<Finding>& findings, std::optional<Severity> only) {
    std::vector<Group> groups;
    for (Severity severity : {Severity::Error, Severity::Warning}) {
        if (only && *only != severity)
            continue;
        const std::size_t first = groups.size();
        for (const Finding& f : findings) {
            if (f.severity != severity)
                continue;
            const QString cause = f.cause.isEmpty() ? f.problem : f.cause;
            const auto same = std::find_if(groups.begin() + std::ptrdiff_t(first), groups.end(),
                                           [&](const Group& g) { return g.cause == cause; });
            if (same != groups.end())
                same->findings.push_back(&f);
            else
                groups.push_back({severity, cause, {&f}});
        }
    }
    return groups;
}

// Wraps a line that begins with a severity label, then paints the label.
QString labelled(Severity severity, const QString& rest, const TextLayout& layout, int indent,
                 int hanging) {
    const QString plain = severityLabel(severity, false);
    QString text = wrapped(plain + rest, layout.width, indent, hanging);
    if (layout.colour)
        text.replace(indent, plain.size(), severityLabel(severity, true));
    return text;
}

// "idle 3.wav: the step across the seam is 0.120 of full scale", or what there is of it.
QString entryOf(const Finding& f) {
    if (f.file.isEmpty())
        return f.detail;
    return f.detail.isEmpty() ? f.file : f.file + QStringLiteral(": ") + f.detail;
}

} // namespace

QString severityName(Severity severity) {
    return severity == Severity::Error ? QStringLiteral("error") : QStringLiteral("warning");
}

QString needName(Need need) {
    switch (need) {
    case Need::Required:
        return QStringLiteral("required");
    case Need::LookedFor:
        return QStringLiteral("looked for");
    case Need::Optional:
        return QStringLiteral("optional");
    case Need::Unused:
        return QStringLiteral("not used");
    }
    return QString();
}

QString problemSentence(const Finding& finding) {
    // A decoder's own message may end in a full stop already.
    return finding.problem.endsWith(QLatin1Char('.')) ? finding.problem
                                                      : finding.problem + QLatin1Char('.');
}

QString fileSummary(const FileReport& file) {
    if (file.onDisk.isEmpty())
        return QStringLiteral("missing");
    const AudioMeasure& m = file.measure;
    if (!m.readable)
        return QStringLiteral("cannot be decoded");
    QString text = QStringLiteral("%1, %2 ch, %3 Hz, %4 s")
                       .arg(QString::fromStdString(m.encoding))
                       .arg(m.channels)
                       .arg(m.rate)
                       .arg(m.seconds, 0, 'f', 3);
    if (m.lufs != NoLoudness)
        text += QStringLiteral(", %1 LUFS").arg(m.lufs, 0, 'f', 1);
    return text;
}

QString counted(qsizetype count, const QString& noun) {
    // English digit grouping whatever the user's locale, so scripts see one format.
    static const QLocale english(QLocale::English, QLocale::UnitedStates);
    return english.toString(qlonglong(count)) + QLatin1Char(' ') + noun +
           (count == 1 ? QString() : QStringLiteral("s"));
}

QString severityLabel(Severity severity, bool colour) {
    const bool error = severity == Severity::Error;
    const QString word = error ? QStringLiteral("ERROR") : QStringLiteral("WARNING");
    if (!colour)
        return word;
    return (error ? QStringLiteral("\033[1;31m") : QStringLiteral("\033[1;33m")) + word +
           QStringLiteral("\033[0m");
}

QString wrapped(const QString& text, int width, int indent, int hanging) {
    QString out;
    int lead = indent;
    for (const QString& paragraph : text.split(QLatin1Char('\n'))) {
        QString line(lead, QLatin1Char(' '));
        bool empty = true;
        for (const QString& word : paragraph.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            if (!empty && line.size() + 1 + word.size() > width) {
                out += line + QLatin1Char('\n');
                line = QString(hanging, QLatin1Char(' '));
                empty = true;
            }
            if (!empty)
                line += QLatin1Char(' ');
            line += word;
            empty = false;
        }
        out += line + QLatin1Char('\n');
        lead = hanging;
    }
    return out;
}

QString groupedFindings(const std::vector<Finding>& findings, const TextLayout& layout, int indent,
                        std::optional<Severity> only) {
    QString text;
    for (const Group& g : groupsOf(findings, only)) {
        const bool allFiles = std::none_of(g.findings.begin(), g.findings.end(),
                                           [](const Finding* f) { return f->file.isEmpty(); });
        const qsizetype count = qsizetype(g.findings.size());
        // A detail every file shares is said once, in the heading, and the files then fit
        // on a line or two.
        const QString& firstDetail = g.findings.front()->detail;
        const bool sameDetail =
            count > 1 && allFiles &&
            std::all_of(g.findings.begin(), g.findings.end(),
                        [&](const Finding* f) { return f->detail == firstDetail; });
        QString heading = QStringLiteral(": ") + g.cause;
        if (sameDetail && !firstDetail.isEmpty())
            heading +=
                QStringLiteral(": ") +
                (firstDetail.endsWith(QLatin1Char('.')) ? firstDetail.chopped(1) : firstDetail);
        if (allFiles && count > 1)
            heading += QStringLiteral(" (%1)").arg(counted(count, QStringLiteral("file")));
        text += labelled(g.severity, heading, layout, indent, indent + 2);
        const QString advice = g.sharedAdvice();
        if (!advice.isEmpty())
            text += wrapped(advice, layout.width, indent + 2, indent + 2);
        if (sameDetail && !advice.isEmpty()) {
            QStringList names;
            for (const Finding* f : g.findings)
                names << f->file;
            text += wrapped(names.join(QStringLiteral(", ")), layout.width, indent + 4, indent + 4);
            continue;
        }
        for (const Finding* f : g.findings) {
            const QString entry = sameDetail ? f->file : entryOf(*f);
            if (!entry.isEmpty())
                text += wrapped(entry, layout.width, indent + 4, indent + 6);
            if (advice.isEmpty() && !f->advice.isEmpty())
                text += wrapped(f->advice, layout.width, indent + 6, indent + 6);
        }
    }
    return text;
}

QString reportText(const AssetReport& report, const TextLayout& layout) {
    const int width = layout.width;
    QString text = wrapped(QStringLiteral("Asset folder: ") + report.folder, width, 0, 2);
    if (report.soundType >= 0)
        text += wrapped(QStringLiteral("Sound type: %1 (%2)").arg(report.typeName, report.rule),
                        width, 0, 2);
    text += QLatin1Char('\n');
    if (report.findings.empty())
        text += QStringLiteral("No findings: nothing is wrong.\n");
    else
        text += groupedFindings(report.findings, layout, 0);
    if (layout.verbose) {
        if (!report.files.empty()) {
            text += QStringLiteral("\nFiles:\n");
            for (const FileReport& f : report.files)
                text +=
                    wrapped(QStringLiteral("%1 (%2%3): %4")
                                .arg(f.name, needName(f.need),
                                     f.loop ? QStringLiteral(", loop") : QString(), fileSummary(f)),
                            width, 2, 6);
        }
        if (!report.thresholds.isEmpty()) {
            text += QStringLiteral("\nLimits:\n");
            for (const QString& t : report.thresholds)
                text += wrapped(t, width, 2, 4);
        }
    }
    text += QStringLiteral("\nResult: %1, %2.\n")
                .arg(counted(report.errors(), QStringLiteral("error")),
                     counted(report.warnings(), QStringLiteral("warning")));
    return text;
}

QJsonObject reportJsonObject(const AssetReport& report) {
    QJsonObject root;
    root["folder"] = report.folder;
    root["soundType"] = report.soundType >= 0 ? QJsonValue(report.typeName) : QJsonValue();
    root["rule"] = report.rule;
    QJsonArray findings;
    for (const Finding& f : report.findings)
        findings.append(QJsonObject{{"severity", severityName(f.severity)},
                                    {"file", f.file},
                                    {"problem", f.problem},
                                    {"cause", f.cause},
                                    {"detail", f.detail},
                                    {"advice", f.advice}});
    root["findings"] = findings;
    QJsonArray files;
    for (const FileReport& f : report.files) {
        QJsonObject file{{"name", f.name},
                         {"need", needName(f.need)},
                         {"loop", f.loop},
                         {"present", !f.onDisk.isEmpty()}};
        const AudioMeasure& m = f.measure;
        if (!f.onDisk.isEmpty()) {
            file["readable"] = m.readable;
            if (!m.readable) {
                file["error"] = QString::fromStdString(m.error);
            } else {
                file["encoding"] = QString::fromStdString(m.encoding);
                file["channels"] = m.channels;
                file["rate"] = m.rate;
                file["bits"] = m.bits;
                file["playable"] = m.playable;
                file["seconds"] = m.seconds;
                file["peak"] = m.peak;
                file["lufs"] = number(m.lufs);
                file["dcOffset"] = m.dcOffset;
                file["clippedRuns"] = m.clippedRuns;
                file["silent"] = m.silent;
                file["silenceLevel"] = m.silenceLevel;
                if (f.loop) {
                    file["headLufs"] = number(m.headLufs);
                    file["tailLufs"] = number(m.tailLufs);
                    file["seamStep"] = m.seamStep;
                    file["typicalStep"] = m.typicalStep;
                    file["seamJump"] = m.seamJump;
                    file["nearJump"] = m.nearJump;
                    file["leadingSilenceMs"] = m.leadingSilenceMs;
                    file["trailingSilenceMs"] = m.trailingSilenceMs;
                }
            }
        }
        files.append(file);
    }
    root["files"] = files;
    QJsonArray bars;
    for (const LoudnessBar& b : report.loudness)
        bars.append(QJsonObject{{"label", b.label},
                                {"file", b.file},
                                {"lufs", number(b.lufs)},
                                {"missing", b.missing},
                                {"failing", b.failing}});
    root["loudness"] = bars;
    root["limits"] = QJsonArray::fromStringList(report.thresholds);
    root["errors"] = report.errors();
    root["warnings"] = report.warnings();
    root["exitCode"] = report.exitCode();
    return root;
}

QByteArray reportJson(const AssetReport& report) {
    return QJsonDocument(reportJsonObject(report)).toJson(QJsonDocument::Indented);
}

} // namespace ws::check
