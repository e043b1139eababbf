// File > Check asset folder through the real window: the report with the findings first,
// a seam picture for every loop and the loudness chart.
#include "MainWindowFixture.h"

#include "widgets/LoudnessChart.h"
#include "widgets/SeamView.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>

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
    EXPECT_LT(report.indexOf("\u201Cup 3 - 4.wav\u201D is missing"), report.indexOf("Files"))
        << report.toStdString();
    EXPECT_GE(report.indexOf("\u201Cup 3 - 4.wav\u201D is missing"), 0) << report.toStdString();
    EXPECT_EQ(seams, 8) << "one for each idle loop";
    EXPECT_TRUE(chart);
}
