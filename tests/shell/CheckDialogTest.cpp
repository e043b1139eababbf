// File > Check asset folder through the real window: the report with the findings first,
// a seam picture for every loop and the loudness chart; and the dialog on a report made here:
// fitted to the screen, failing seams first, a slot for a missing file, copy and save.
#include "FileDialogAnswer.h"
#include "MainWindowFixture.h"

#include "check/ReportFormat.h"
#include "shell/CheckDialog.h"
#include "widgets/LoudnessChart.h"
#include "widgets/SeamView.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>

#include <cmath>
#include <filesystem>

using namespace ws;
using namespace ws::test;
namespace fs = std::filesystem;

TEST_F(MainWindowTest, CheckingTheAssetFolderShowsFindingsSeamsAndLoudness) {
    auto* check = [&] {
        start();
        return window->findChild<QAction*>("CheckAssetFolder1");
    }();
    ASSERT_NE(check, nullptr);

    // Nothing to check yet.
    check->trigger();
    ASSERT_EQ(messages.size(), 1);
    window.reset();

    const fs::path set = dir / "Diesel";
    fs::copy(demoDir() / "Diesel", set);
    fs::remove(set / "up 3 - 4.wav");
    start({qpath(set)});
    QString report;
    int seams = 0;
    bool chart = false;
    // The files are measured first, behind a progress box; the report comes after.
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog || dialog->objectName() != "CheckDialog")
            return;
        poll.stop();
        report = dialog->findChild<QTextBrowser*>("CheckReport")->toPlainText();
        seams = int(dialog->findChildren<SeamView*>().size());
        chart = dialog->findChild<LoudnessChart*>() != nullptr;
        dialog->reject();
    });
    poll.start(20);
    window->findChild<QAction*>("CheckAssetFolder1")->trigger();
    // Grouped by cause: the cause once, the files it hits beneath it.
    const auto missing = report.indexOf("Is missing"),
               file = report.indexOf("\u201Cup 3 - 4.wav\u201D");
    EXPECT_GE(missing, 0) << report.toStdString();
    EXPECT_LT(missing, file);
    EXPECT_LT(file, report.indexOf("Files"));
    EXPECT_EQ(seams, 8) << "one for each idle loop";
    EXPECT_TRUE(chart);
}

namespace {
// A loop's seam picture: a sine whose start begins at `startPhase` (0: a clean seam).
check::FileReport loop(const QString& name, double startPhase) {
    check::FileReport f;
    f.name = f.onDisk = name;
    f.loop = true;
    f.measure.readable = true;
    f.measure.rate = 44100;
    const int each = 882; // 20 ms
    for (int i = -each; i < each; ++i)
        f.measure.seamPicture.push_back(
            float(std::sin(2 * M_PI * 220 * i / 44100.0 + (i >= 0 ? startPhase : 0))));
    f.measure.seamAt = each;
    return f;
}
} // namespace

TEST_F(MainWindowTest, CheckDialogFitsTheScreenOrdersSeamsAndCopiesAndSavesItsReport) {
    check::AssetReport r;
    r.folder = qpath(dir / "Set");
    r.files = {loop("idle 1.wav", 0), loop("idle 2.wav", 2.0), loop("idle 3.wav", 0)};
    r.findings = {{check::Severity::Warning, "idle 2.wav", "clicks at every repeat: a step of 0.9",
                   "Cut at a zero crossing.", "clicks at every repeat", "a step of 0.9"},
                  {check::Severity::Warning, "idle 3.wav", "is 9.0 LU louder than \"idle 2.wav\"",
                   "", "is 9.0 LU louder than \"idle 2.wav\"", ""}};
    r.loudness = {{"idle 1", "idle 1.wav", -20.0},
                  {"up 1 - 2", "up 1 - 2.wav", check::NoLoudness, true},
                  {"idle 2", "idle 2.wav", -21.0},
                  {"idle 3", "idle 3.wav", -12.0, false, true}};
    QWidget owner;
    owner.setGeometry(600, 300, 200, 150);
    owner.show();
    CheckDialog dialog(r, &owner);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));

    // Wanted taller than the screen, it is cut to fit, its buttons on screen.
    const QRect screen = owner.screen()->availableGeometry();
    ASSERT_GT(CheckDialog::WantedSize.height(), screen.height())
        << "the screen is too large to test";
    EXPECT_TRUE(screen.contains(dialog.frameGeometry())) << dialog.frameGeometry().height();
    auto* close = dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Close);
    EXPECT_TRUE(screen.contains(QRect(close->mapToGlobal(QPoint()), close->size())));
    const QRect centred = fittedFrame({300, 200}, {500, 0, 200, 100}, {0, 0, 800, 600});
    EXPECT_EQ(centred, QRect(450, 0, 300, 200)) << "centred on the owner, moved onto the screen";

    auto* tabs = dialog.findChild<QTabWidget*>();
    tabs->setCurrentIndex(1);
    QApplication::processEvents();
    auto seams = dialog.findChildren<SeamView*>();
    ASSERT_EQ(seams.size(), 3);
    std::stable_sort(seams.begin(), seams.end(),
                     [](SeamView* a, SeamView* b) { return a->y() < b->y(); });
    EXPECT_EQ(seams[0]->title(), "idle 2.wav");
    EXPECT_TRUE(seams[0]->finding().contains("clicks at every repeat"));
    EXPECT_FALSE(seams[1]->failing() || seams[2]->failing()) << "a loudness finding is no seam's";
    EXPECT_EQ(seams[0]->endShown() - seams[0]->firstShown(), 2u * 132) << "3 ms either side";

    tabs->setCurrentIndex(2);
    QApplication::processEvents();
    auto* chart = dialog.findChild<LoudnessChart*>();
    ASSERT_EQ(chart->barCount(), 4u);
    EXPECT_EQ(chart->valueText(0), "-20.0 LUFS");
    EXPECT_EQ(chart->valueText(1), "missing");
    const QImage picture = chart->grab().toImage();
    const auto red = [&](std::size_t bar) {
        const QRect row = chart->rowRect(bar).toRect();
        for (int y = row.top(); y < row.bottom(); ++y)
            for (int x = row.left(); x < row.right(); ++x)
                if (picture.pixelColor(x, y) == QColor(0xd0, 0x20, 0x20))
                    return true;
        return false;
    };
    EXPECT_TRUE(red(3));
    EXPECT_FALSE(red(0) || red(1) || red(2));

    dialog.findChild<QPushButton*>("CopyReport")->click();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), check::reportText(r));
    // JSON when the user picks it; a file that cannot be written is told, not dropped.
    for (const QString& path : {qpath(dir / "report"), QString("/proc/report")}) {
        answerFileDialog([path](QFileDialog& d) {
            QTest::keyClick(d.findChild<QComboBox*>("fileTypeCombo"), Qt::Key_Down);
            auto* name = d.findChild<QLineEdit*>("fileNameEdit");
            name->setText(path);
            QTest::keyClick(name, Qt::Key_Return);
        });
        dialog.findChild<QPushButton*>("SaveReport")->click();
    }
    QFile saved(qpath(dir / "report.json"));
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.readAll(), check::reportJson(r));
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].contains("/proc/report.json")) << errors[0].toStdString();
}
