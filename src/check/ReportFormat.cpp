// The checker's report as text and JSON; see ReportFormat.h.
#include "ReportFormat.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

#include <cmath>

namespace ws::check {

namespace {

QJsonValue number(double value) {
    return std::isfinite(value) ? QJsonValue(value) : QJsonValue(QJsonValue::Null);
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

QString reportText(const AssetReport& report) {
    QString text;
    QTextStream out(&text);
    out << "Asset folder: " << report.folder << "\n";
    if (report.soundType >= 0)
        out << "Sound type: " << report.typeName << " (" << report.rule << ")\n";
    else
        out << "Sound type: not recognised\n";
    out << "\n";
    if (report.findings.empty()) {
        out << "No findings: nothing is wrong.\n";
    } else {
        out << "Findings:\n";
        for (const Finding& f : report.findings) {
            out << "  " << severityName(f.severity).toUpper() << ": "
                << (f.file.isEmpty() ? QString() : QStringLiteral("\"%1\" ").arg(f.file))
                << problemSentence(f);
            if (!f.advice.isEmpty())
                out << " " << f.advice;
            out << "\n";
        }
    }
    if (!report.files.empty()) {
        out << "\nFiles:\n";
        for (const FileReport& f : report.files)
            out << "  " << f.name << " (" << needName(f.need) << (f.loop ? ", loop" : "")
                << "): " << fileSummary(f) << "\n";
    }
    out << "\nLimits:\n";
    for (const QString& t : report.thresholds)
        out << "  " << t << "\n";
    out << "\nResult: " << report.errors() << " errors, " << report.warnings() << " warnings.\n";
    return text;
}

QByteArray reportJson(const AssetReport& report) {
    QJsonObject root;
    root["folder"] = report.folder;
    root["soundType"] = report.soundType >= 0 ? QJsonValue(report.typeName) : QJsonValue();
    root["rule"] = report.rule;
    QJsonArray findings;
    for (const Finding& f : report.findings)
        findings.append(QJsonObject{{"severity", severityName(f.severity)},
                                    {"file", f.file},
                                    {"problem", f.problem},
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
                if (f.loop) {
                    file["seamStep"] = m.seamStep;
                    file["typicalStep"] = m.typicalStep;
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
        bars.append(QJsonObject{{"label", b.label}, {"lufs", number(b.lufs)}});
    root["loudness"] = bars;
    root["limits"] = QJsonArray::fromStringList(report.thresholds);
    root["errors"] = report.errors();
    root["warnings"] = report.warnings();
    root["exitCode"] = report.exitCode();
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

} // namespace ws::check
