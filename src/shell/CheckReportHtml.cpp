// The report's rich text; see CheckReportHtml.h.
#include "CheckReportHtml.h"

#include "check/ReportFormat.h"

#include <algorithm>
#include <vector>

namespace ws {

namespace {

using check::Finding;
using check::Severity;

// The findings of one severity that share a cause, in the order the checker found them.
struct CauseGroup {
    Severity severity;
    QString cause;
    std::vector<const Finding*> findings;
};

std::vector<CauseGroup> groupByCause(const std::vector<Finding>& findings) {
    std::vector<CauseGroup> groups;
    for (Severity severity : {Severity::Error, Severity::Warning})
        for (const Finding& f : findings) {
            if (f.severity != severity)
                continue;
            // A finding the checker left without a cause stands as its own group.
            const QString cause = f.cause.isEmpty() ? f.problem : f.cause;
            auto group = std::find_if(groups.begin(), groups.end(), [&](const CauseGroup& g) {
                return g.severity == severity && g.cause == cause;
            });
            if (group == groups.end())
                groups.push_back({severity, cause, {&f}});
            else
                group->findings.push_back(&f);
        }
    return groups;
}

QString capitalised(QString text) {
    if (!text.isEmpty())
        text[0] = text[0].toUpper();
    return text;
}

QString groupHtml(const CauseGroup& g) {
    const bool sameAdvice =
        std::all_of(g.findings.begin(), g.findings.end(),
                    [&](const Finding* f) { return f->advice == g.findings.front()->advice; });
    const int n = int(g.findings.size());
    QString text =
        QStringLiteral("<p style='margin-bottom:2px'><b style='color:%1'>%2</b> "
                       "<b>%3</b> &nbsp;(%4)")
            .arg(g.severity == Severity::Error ? QStringLiteral("#c00000")
                                               : QStringLiteral("#b35c00"),
                 check::severityName(g.severity).toUpper(), capitalised(g.cause).toHtmlEscaped(),
                 n == 1 ? QStringLiteral("1 file") : QStringLiteral("%1 files").arg(n));
    if (sameAdvice && !g.findings.front()->advice.isEmpty())
        text += QStringLiteral("<br><i>%1</i>").arg(g.findings.front()->advice.toHtmlEscaped());
    text += QStringLiteral("</p><ul style='margin-top:0'>");
    for (const Finding* f : g.findings) {
        text += QStringLiteral("<li>%1").arg(
            f->file.isEmpty() ? QStringLiteral("the folder")
                              : QStringLiteral("&ldquo;%1&rdquo;").arg(f->file.toHtmlEscaped()));
        if (!f->detail.isEmpty())
            text += QStringLiteral(": ") + f->detail.toHtmlEscaped();
        if (!sameAdvice && !f->advice.isEmpty())
            text += QStringLiteral(" <i>%1</i>").arg(f->advice.toHtmlEscaped());
        text += QStringLiteral("</li>");
    }
    return text + QStringLiteral("</ul>");
}

} // namespace

QString reportHtml(const check::AssetReport& report) {
    QString text = QStringLiteral("<p><b>%1</b><br>").arg(report.folder.toHtmlEscaped());
    text += report.soundType >= 0
                ? QStringLiteral("Sound type: %1 (%2)")
                      .arg(report.typeName.toHtmlEscaped(), report.rule.toHtmlEscaped())
                : QStringLiteral("Sound type: not recognised");
    text += QStringLiteral("</p>");
    if (report.findings.empty()) {
        text += QStringLiteral("<p style='color:green'><b>No findings: nothing is wrong.</b></p>");
    } else {
        text += QStringLiteral("<p><b>%1 errors, %2 warnings</b></p>")
                    .arg(report.errors())
                    .arg(report.warnings());
        for (const CauseGroup& g : groupByCause(report.findings))
            text += groupHtml(g);
    }
    text += QStringLiteral("<h4>Files</h4><table cellspacing=4>");
    for (const check::FileReport& f : report.files)
        text += QStringLiteral("<tr><td>%1</td><td>%2%3</td><td>%4</td></tr>")
                    .arg(f.name.toHtmlEscaped(), check::needName(f.need),
                         f.loop ? QStringLiteral(", loop") : QString(),
                         check::fileSummary(f).toHtmlEscaped());
    text += QStringLiteral("</table><h4>Limits</h4><ul>");
    for (const QString& t : report.thresholds)
        text += QStringLiteral("<li>%1</li>").arg(t.toHtmlEscaped());
    return text + QStringLiteral("</ul>");
}

} // namespace ws
