// The checker's dialog; see CheckDialog.h.
#include "CheckDialog.h"

#include "check/ReportFormat.h"
#include "widgets/LoudnessChart.h"
#include "widgets/SeamView.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QScrollArea>
#include <QTabWidget>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace ws {

namespace {

QString html(const check::AssetReport& report) {
    QString text = QStringLiteral("<p><b>%1</b><br>").arg(report.folder.toHtmlEscaped());
    text += report.soundType >= 0
                ? QStringLiteral("Sound type: %1 (%2)")
                      .arg(report.typeName.toHtmlEscaped(), report.rule.toHtmlEscaped())
                : QStringLiteral("Sound type: not recognised");
    text += QStringLiteral("</p>");
    if (report.findings.empty()) {
        text += QStringLiteral("<p style='color:green'><b>No findings: nothing is wrong.</b></p>");
    } else {
        text += QStringLiteral("<p><b>%1 errors, %2 warnings</b></p><ul>")
                    .arg(report.errors())
                    .arg(report.warnings());
        for (const check::Finding& f : report.findings)
            text += QStringLiteral("<li><b style='color:%1'>%2</b> %3%4 %5</li>")
                        .arg(f.severity == check::Severity::Error ? QStringLiteral("red")
                                                                  : QStringLiteral("darkorange"),
                             check::severityName(f.severity).toUpper(),
                             f.file.isEmpty()
                                 ? QString()
                                 : QStringLiteral("&ldquo;%1&rdquo; ").arg(f.file.toHtmlEscaped()),
                             check::problemSentence(f).toHtmlEscaped(), f.advice.toHtmlEscaped());
        text += QStringLiteral("</ul>");
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

} // namespace

CheckDialog::CheckDialog(const check::AssetReport& report, QWidget* owner) : QDialog(owner) {
    setObjectName("CheckDialog");
    setWindowTitle(QStringLiteral("Check asset folder"));
    resize(640, 520);
    auto* layout = new QVBoxLayout(this);
    auto* tabs = new QTabWidget(this);
    layout->addWidget(tabs);

    auto* findings = new QTextBrowser(tabs);
    findings->setObjectName("CheckReport");
    findings->setHtml(html(report));
    tabs->addTab(findings, QStringLiteral("Findings"));

    auto* seams = new QWidget;
    auto* seamLayout = new QVBoxLayout(seams);
    for (const check::FileReport& f : report.files)
        if (f.loop && f.measure.readable && !f.measure.seamPicture.empty())
            seamLayout->addWidget(
                new SeamView(f.name, f.measure.seamPicture, f.measure.seamAt, seams));
    seamLayout->addStretch();
    auto* seamScroll = new QScrollArea(tabs);
    seamScroll->setWidget(seams);
    seamScroll->setWidgetResizable(true);
    tabs->addTab(seamScroll, QStringLiteral("Loop seams"));

    if (!report.loudness.empty()) {
        std::vector<std::pair<QString, double>> bars;
        for (const check::LoudnessBar& b : report.loudness)
            bars.emplace_back(b.label, b.lufs);
        auto* chart = new LoudnessChart(std::move(bars));
        chart->setObjectName("LoudnessChart");
        auto* chartScroll = new QScrollArea(tabs);
        chartScroll->setWidget(chart);
        chartScroll->setWidgetResizable(true);
        tabs->addTab(chartScroll, QStringLiteral("Loudness"));
    }

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

} // namespace ws
