// Folders and wave files dropped on the real window.
#include "MainWindowFixture.h"

#include "shell/RadioGroup.h"
#include "sim/AssetNames.h"

#include <QAction>
#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QMimeData>
#include <QUrl>

#include <filesystem>

using namespace ws;
using namespace ws::test;
namespace fs = std::filesystem;

namespace {

// Drags `paths` over the window and lets go: whether the window took the drag while it
// was over it, and whether it took the drop.
std::pair<bool, bool> drop(MainWindow& window, const std::vector<fs::path>& paths) {
    QMimeData data;
    QList<QUrl> urls;
    for (const fs::path& p : paths)
        urls << QUrl::fromLocalFile(qpath(p));
    data.setUrls(urls);
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &enter);
    QDropEvent dropped(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &dropped);
    return {enter.isAccepted(), dropped.isAccepted()};
}

} // namespace

TEST_F(MainWindowTest, AFolderOrAWaveFileDroppedOpensAsTheMenusWouldAndOthersAreRefused) {
    const fs::path wav = dir / "Horn Test.WAV";
    writeWav(wav, 1, 22050, 16, std::vector<int16_t>(2205, 1000));
    touch(dir / "notes.txt");
    start();
    ASSERT_TRUE(window->acceptDrops()) << "the desktop would deliver no drag at all";

    EXPECT_EQ(drop(*window, {wav}), std::make_pair(true, true));
    EXPECT_TRUE(window->engine().SingleFileMode);
    EXPECT_EQ(window->engine().SingleFilePath, qpath(wav));
    EXPECT_FALSE(control<TrackBar>("Throttle1")->isEnabled());

    // A folder leaves single-file mode, as File > Open does.
    EXPECT_EQ(drop(*window, {demoDir() / "Steam2"}), std::make_pair(true, true));
    EXPECT_FALSE(window->engine().SingleFileMode);
    EXPECT_TRUE(control<TrackBar>("Throttle1")->isEnabled());
    EXPECT_EQ(window->engine().AssetFolder, demo("Steam2") + "/");
    EXPECT_EQ(control<RadioGroup>("SoundType")->ItemIndex(), SoundTypeSteam2);
    EXPECT_EQ(control<QAction>("Open2")->text(), "Steam2");
    EXPECT_EQ(control<QLabel>("LThrottle")->text(), "Speed");

    // Refused while dragged, and nothing changes.
    EXPECT_EQ(drop(*window, {dir / "notes.txt"}), std::make_pair(false, false));
    EXPECT_EQ(drop(*window, {wav, demoDir() / "Diesel"}), std::make_pair(false, false));
    EXPECT_EQ(drop(*window, {dir / "gone.wav"}), std::make_pair(false, false));
    EXPECT_EQ(window->engine().AssetFolder, demo("Steam2") + "/");
    EXPECT_FALSE(window->engine().SingleFileMode);
    EXPECT_TRUE(errors.isEmpty() && messages.isEmpty());
}
