// The checker's dialog; see CheckDialog.h.
#include "CheckDialog.h"

#include "CheckReportHtml.h"
#include "Toolkit.h"
#include "check/ReportFormat.h"
#include "widgets/LoudnessChart.h"
#include "widgets/SeamView.h"

#include <QClipboard>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QSaveFile>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>
#include <QTabWidget>
#include <QTextBrowser>
#include <QVBoxLayout>

#include <algorithm>

namespace ws {

namespace {

// The findings that fault a loop's seam: a click or a gap heard at every repeat.
bool seamCause(const QString& cause) {
    for (const char* word : {"seam", "click", "gap"})
        if (cause.contains(QLatin1String(word), Qt::CaseInsensitive))
            return true;
    return false;
}

QString seamFinding(const check::AssetReport& report, const QString& file) {
    QStringList text;
    for (const check::Finding& f : report.findings)
        if (f.file == file && seamCause(f.cause))
            text << check::problemSentence(f);
    return text.join(QLatin1Char(' '));
}

QWidget* seamsPage(const check::AssetReport& report, int& failing) {
    auto* page = new QWidget;
    std::vector<SeamView*> views;
    for (const check::FileReport& f : report.files)
        if (f.loop && f.measure.readable && !f.measure.seamPicture.empty())
            views.push_back(new SeamView(f.name, f.measure.seamPicture, f.measure.seamAt,
                                         f.measure.rate, seamFinding(report, f.name), page));
    std::stable_partition(views.begin(), views.end(), [](SeamView* v) { return v->failing(); });
    failing =
        int(std::count_if(views.begin(), views.end(), [](SeamView* v) { return v->failing(); }));

    auto* layout = new QVBoxLayout(page);
    auto* intro = new QLabel(
        views.empty()
            ? QStringLiteral("The set has no loop to show.")
            : QStringLiteral("Each picture shows the last %1 ms of a loop running into its "
                             "first %1 ms, as at every repeat. A wave that jumps at the dashed "
                             "line clicks; a flat line at either side is a gap.")
                  .arg(SeamView::SpanMs, 0, 'f', 0),
        page);
    intro->setWordWrap(true);
    layout->addWidget(intro);
    for (SeamView* view : views)
        layout->addWidget(view);
    layout->addStretch();
    return page;
}

LoudnessChart* loudnessChart(const check::AssetReport& report) {
    std::vector<LoudnessChart::Bar> bars;
    for (const check::LoudnessBar& b : report.loudness) {
        const auto file =
            std::find_if(report.files.begin(), report.files.end(),
                         [&](const check::FileReport& f) { return f.name == b.file; });
        bars.push_back({b.label, b.file, b.lufs, b.missing, b.failing,
                        file == report.files.end() || file->loop});
    }
    auto* chart = new LoudnessChart(std::move(bars), report.loudnessToleranceLu);
    chart->setObjectName("LoudnessChart");
    return chart;
}

QScrollArea* scrolled(QWidget* page, QWidget* parent) {
    auto* scroll = new QScrollArea(parent);
    scroll->setWidget(page);
    scroll->setWidgetResizable(true);
    return scroll;
}

} // namespace

QRect fittedFrame(QSize wanted, const QRect& owner, const QRect& available) {
    QRect frame(QPoint(), wanted.boundedTo(available.size()));
    frame.moveCenter(owner.isEmpty() ? available.center() : owner.center());
    frame.moveLeft(std::clamp(frame.left(), available.left(),
                              available.left() + available.width() - frame.width()));
    frame.moveTop(std::clamp(frame.top(), available.top(),
                             available.top() + available.height() - frame.height()));
    return frame;
}

CheckDialog::CheckDialog(const check::AssetReport& report, QWidget* owner)
    : QDialog(owner), report_(report) {
    setObjectName("CheckDialog");
    setWindowTitle(QStringLiteral("Check asset folder"));
    auto* layout = new QVBoxLayout(this);
    auto* tabs = new QTabWidget(this);
    layout->addWidget(tabs);

    auto* findings = new QTextBrowser(tabs);
    findings->setObjectName("CheckReport");
    findings->setHtml(reportHtml(report));
    tabs->addTab(findings, QStringLiteral("Findings"));

    int failingSeams = 0;
    QWidget* seams = seamsPage(report, failingSeams);
    tabs->addTab(scrolled(seams, tabs),
                 failingSeams > 0 ? QStringLiteral("Loop seams (%1 failing)").arg(failingSeams)
                                  : QStringLiteral("Loop seams"));
    if (!report.loudness.empty())
        tabs->addTab(scrolled(loudnessChart(report), tabs), QStringLiteral("Loudness"));

    auto* bottom = new QHBoxLayout;
    status_ = new QLabel(this);
    status_->setObjectName("CheckStatus");
    status_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    bottom->addWidget(status_, 1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    QPushButton* copy =
        buttons->addButton(QStringLiteral("Copy report"), QDialogButtonBox::ActionRole);
    copy->setObjectName("CopyReport");
    QPushButton* save = buttons->addButton(QStringLiteral("Save..."), QDialogButtonBox::ActionRole);
    save->setObjectName("SaveReport");
    connect(copy, &QPushButton::clicked, this, handler(this, [this] { copyReport(); }));
    connect(save, &QPushButton::clicked, this, handler(this, [this] { saveReport(); }));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    bottom->addWidget(buttons);
    layout->addLayout(bottom);
    fitToScreen(owner);
}

void CheckDialog::fitToScreen(QWidget* owner) {
    const QWidget* window = owner ? owner->window() : nullptr;
    QScreen* screen = window ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    // The window manager's frame is not known before the dialog is shown: the owner's frame
    // is the best guess for it, as the same manager draws both.
    QMargins frame;
    if (window && window->isVisible() && window->frameGeometry() != window->geometry()) {
        const QRect outer = window->frameGeometry(), inner = window->geometry();
        frame = QMargins(inner.left() - outer.left(), inner.top() - outer.top(),
                         outer.right() - inner.right(), outer.bottom() - inner.bottom());
    } else {
        const int border = style()->pixelMetric(QStyle::PM_DefaultFrameWidth) + 2;
        frame = QMargins(border, style()->pixelMetric(QStyle::PM_TitleBarHeight) + border, border,
                         border);
    }
    const QRect outer =
        fittedFrame(WantedSize.grownBy(frame),
                    window && window->isVisible() ? window->frameGeometry() : QRect(),
                    screen->availableGeometry());
    resize(outer.size().shrunkBy(frame));
    move(outer.topLeft());
}

void CheckDialog::copyReport() {
    QGuiApplication::clipboard()->setText(check::reportText(report_));
    status_->setText(QStringLiteral("The report is on the clipboard."));
}

void CheckDialog::saveReport() {
    const QString textFilter = QStringLiteral("Text report (*.txt)");
    const QString jsonFilter = QStringLiteral("JSON report (*.json)");
    // Beside the asset folder rather than in it: a report in the folder would travel with
    // the asset.
    const QFileInfo folder(report_.folder);
    QFileDialog dialog(this, QStringLiteral("Save the report"), folder.absolutePath(),
                       textFilter + QStringLiteral(";;") + jsonFilter);
    dialog.setObjectName("SaveReportDialog");
#ifndef Q_OS_WIN
    dialog.setOption(QFileDialog::DontUseNativeDialog);
#endif
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QStringLiteral("txt"));
    connect(&dialog, &QFileDialog::filterSelected, &dialog, [&](const QString& filter) {
        dialog.setDefaultSuffix(filter == jsonFilter ? QStringLiteral("json")
                                                     : QStringLiteral("txt"));
    });
    dialog.selectFile(folder.fileName() + QStringLiteral(" check.txt"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    const QString path = dialog.selectedFiles().front();
    const QString suffix = QFileInfo(path).suffix().toLower();
    const bool json = suffix == QLatin1String("json") ||
                      (suffix != QLatin1String("txt") && dialog.selectedNameFilter() == jsonFilter);
    const QByteArray bytes =
        json ? check::reportJson(report_) : check::reportText(report_).toUtf8();
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw UserError(QStringLiteral("The report could not be saved to \"%1\": %2")
                            .arg(QDir::toNativeSeparators(path), file.errorString())
                            .toStdString());
    status_->setText(QStringLiteral("Saved to %1").arg(QDir::toNativeSeparators(path)));
}

} // namespace ws
