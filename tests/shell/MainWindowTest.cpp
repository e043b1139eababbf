// The main window from start to close: layout, settings, command line, sound-type
// arrangement and the settings written at close.
#include "MainWindowFixture.h"
#include "QtPath.h"

#include "shell/RadioGroup.h"
#include "shell/Toolkit.h"
#include "widgets/Gauge.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QWindow>

#include <filesystem>

#include <sys/stat.h>

using namespace ws;
using namespace ws::test;
namespace fs = std::filesystem;

TEST_F(MainWindowTest, LayoutHasEveryControlWithItsCaptionBoundsAndState) {
    start();
    EXPECT_EQ(window->windowTitle(), "Whistlestop  a tester for Trainz sound assets.");

    struct Expect {
        const char* name;
        QRect bounds;
    };
    for (const Expect& e : {Expect{"LAsset", {120, 4, 353, 13}},
                            {"SoundType", {32, 24, 97, 121}},
                            {"HornType", {32, 152, 97, 73}},
                            {"BtStart", {152, 40, 89, 33}},
                            {"BtStop", {152, 88, 89, 33}},
                            {"btBell", {152, 136, 89, 25}},
                            {"BtHorn", {152, 168, 89, 41}},
                            {"Label2", {240, 216, 137, 13}},
                            {"Label3", {272, 232, 73, 13}},
                            {"Panel2", {272, 24, 73, 185}},
                            {"Throttle1", {16, 24, 49, 145}},
                            {"ProgressBar1", {5, 170, 62, 9}},
                            {"Panel3", {368, 24, 41, 185}},
                            {"Fader1", {8, 32, 9, 121}},
                            {"Fader2", {16, 32, 9, 121}},
                            {"Panel1", {432, 24, 49, 185}},
                            {"Volume1", {8, 24, 33, 137}},
                            {"Memo1", {488, 24, 337, 225}}}) {
        QWidget* w = control<QWidget>(e.name);
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(w->geometry(), e.bounds) << e.name;
    }

    EXPECT_EQ(control<QLabel>("LAsset")->text(), "Asset Folder:");
    auto* soundType = control<RadioGroup>("SoundType");
    EXPECT_EQ(soundType->title(), "Sound Type");
    ASSERT_EQ(soundType->itemCount(), 5);
    EXPECT_EQ(soundType->itemCaption(2), "Steam 1");
    EXPECT_FALSE(soundType->isEnabled());
    EXPECT_EQ(soundType->ItemIndex(), -1);
    auto* hornType = control<RadioGroup>("HornType");
    EXPECT_EQ(hornType->title(), "HornType");
    EXPECT_EQ(hornType->itemCaption(2), "3 Part");
    EXPECT_EQ(hornType->ItemIndex(), -1);
    EXPECT_FALSE(hornType->isEnabled());

    auto* throttle = control<TrackBar>("Throttle1");
    EXPECT_EQ(throttle->Min(), 1);
    EXPECT_EQ(throttle->Max(), 8);
    EXPECT_EQ(throttle->Position(), 8);
    EXPECT_TRUE(throttle->isEnabled());
    auto* volume = control<TrackBar>("Volume1");
    EXPECT_EQ(volume->Min(), 0);
    EXPECT_EQ(volume->Max(), 99);
    EXPECT_EQ(volume->Position(), 0);
    EXPECT_EQ(volume->Frequency(), 25);
    EXPECT_TRUE(control<QProgressBar>("ProgressBar1")->isHidden());
    EXPECT_EQ(control<QLabel>("LThrottle")->text(), "Throttle");
    EXPECT_EQ(control<QLabel>("LFader")->text(), "Fader");
    EXPECT_EQ(control<QLabel>("LVolume")->text(), "Volume");
    EXPECT_EQ(control<QLabel>("Label1")->text(), "100");

    auto* fader = control<Gauge>("Fader1");
    EXPECT_EQ(fader->Progress(), 50);
    EXPECT_EQ(fader->Kind(), GaugeKind::gkVerticalBar);
    EXPECT_FALSE(fader->ShowText());

    auto* memo = control<QPlainTextEdit>("Memo1");
    EXPECT_TRUE(memo->isHidden());
    EXPECT_EQ(memo->toPlainText(), "Memo1");
    EXPECT_GE(memo->x(), window->centralWidget()->width() - 12)
        << "the memo lies beyond the right edge of the normal window";

    for (const char* t : {"BtStart", "BtStop", "btBell", "BtHorn"}) {
        EXPECT_TRUE(control<QPushButton>(t)->font().bold()) << t;
        EXPECT_EQ(control<QPushButton>(t)->font().pixelSize(), 13) << t;
    }
}

TEST_F(MainWindowTest, MenusAndTheDeviceListWithTheFirstDeviceChecked) {
    start();
    QStringList menus;
    for (QAction* a : window->menuBar()->actions())
        menus << a->text();
    EXPECT_EQ(menus, QStringList({"&File", "&Device", "&Setup", "&Help"}));
    EXPECT_FALSE(control<QAction>("Open2")->isVisible()) << "no recent folder yet";

    QStringList file;
    for (QAction* a : control<QMenu>("File1")->actions())
        file << a->objectName() + "=" + a->text();
    EXPECT_EQ(file, QStringList({"Open1=Open", "Open2=", "Openwavfile1=Open wav file",
                                 "CheckAssetFolder1=Check asset folder...",
                                 "RecordToWav1=Record to WAV...", "Exit1=Exit"}));
    EXPECT_EQ(control<QAction>("OpenWith1")->text(), "Open With");
    EXPECT_EQ(control<QAction>("RemoveOpenWiths1")->text(), "Remove Open Withs");
    EXPECT_EQ(control<QAction>("Help2")->text(), "Help");
    EXPECT_EQ(control<QAction>("About1")->text(), "About");

    const QList<QAction*> devices = control<QMenu>("Device1")->actions();
    ASSERT_EQ(devices.size(), 2);
    EXPECT_EQ(devices[0]->text(), "Default output");
    EXPECT_EQ(devices[1]->text(), "Second card");
    EXPECT_EQ(devices[1]->data().toInt(), 1);
    EXPECT_TRUE(devices[0]->isChecked());
    EXPECT_FALSE(devices[1]->isChecked());

    devices[1]->trigger();
    EXPECT_EQ(window->mixer().DeviceIndex(), 1);
    EXPECT_TRUE(devices[1]->isChecked());
    EXPECT_FALSE(devices[0]->isChecked());
    EXPECT_TRUE(errors.isEmpty()) << errors.join("; ").toStdString();
}

TEST_F(MainWindowTest, EnterPressesTheFocusedButtonAndTheSlidersFillFromTheBottom) {
    start({demo("Diesel")});
    auto* startButton = control<QPushButton>("BtStart");
    int pressed = 0;
    QObject::connect(startButton, &QPushButton::clicked, [&] { ++pressed; });
    // With no sound output the press is refused with the way out in the box.
    auto& sound = dynamic_cast<ManualSoundSystem&>(soundSystem());
    sound.failCreateWith(DeviceResult::NoDriver);
    QTest::keyClick(startButton, Qt::Key_Return);
    sound.failCreateWith(0);
    EXPECT_EQ(pressed, 1);
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].startsWith("No sound driver is available for use."));
    EXPECT_TRUE(errors[0].contains("Device menu")) << errors[0].toStdString();

    // Highlighted pixels of the groove: few with the throttle at idle (its bottom), many at
    // the top notch; many with the volume at 100 (its top).
    const auto filled = [](TrackBar* bar) {
        const QImage image = bar->grab().toImage();
        const QColor highlight = bar->palette().color(QPalette::Highlight);
        int count = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QColor c = image.pixelColor(x, y);
                count += std::abs(c.hue() - highlight.hue()) < 12 && c.saturation() > 80;
            }
        return count;
    };
    auto* throttle = control<TrackBar>("Throttle1");
    throttle->setPosition(throttle->Max());
    const int idle = filled(throttle);
    throttle->setPosition(throttle->Min());
    EXPECT_GT(filled(throttle), idle + 100);
    auto* volume = control<TrackBar>("Volume1");
    volume->setPosition(volume->Min());
    EXPECT_GT(filled(volume), idle + 100);

    // The speed control's 300 steps go by 30 with Page Up and Page Down, and say so.
    EngineView& view = *window;
    view.setThrottleMax(299);
    EXPECT_TRUE(throttle->toolTip().contains("Page Up"));
    throttle->setPosition(299);
    QTest::keyClick(throttle, Qt::Key_PageUp);
    EXPECT_EQ(throttle->Position(), 299 - 30) << "Page Up moves the thumb up, towards idle";
}

TEST_F(MainWindowTest, FirstRunOpensAtTheDefaultPlaceAndWritesTheFourSections) {
    openWithAnswered = false;
    start();
    EXPECT_EQ(window->pos(), QPoint(200, 150));
    EXPECT_TRUE(window->engine().AssetFolder.isEmpty());
    EXPECT_EQ(control<QAction>("Open2")->text(), "");
    EXPECT_TRUE(control<Timer>("Timer5")->Enabled()) << "the installer has not asked yet";
    ASSERT_NE(window->mixerChannel1(), nullptr);
    ASSERT_NE(window->mixerChannel2(), nullptr);

    window->close();
    EXPECT_EQ(window->mixerChannel1(), nullptr) << "channels are freed at close";
    EXPECT_EQ(readSettings(),
              QByteArray("[OpenWith]\r\nTS2009dir=\r\nTS2010dir=\r\nTS12dir=\r\n\r\n"
                         "[MRU]\r\ncurrent_dir=\r\n\r\n"
                         "[Position]\r\nLeft=200\r\nTop=150\r\n\r\n"
                         "[Program]\r\nVersion=1.03\r\n\r\n"));
}

TEST_F(MainWindowTest, StartsAtTheRememberedPositionAndFolderWithoutClassifyingIt) {
    const QString folder = demo("Diesel") + "/";
    writeSettings("; kept? no\r\n[OpenWith]\r\nTS2009dir=NotFound\r\nTS2010dir=/opt/ts2010\r\n"
                  "TS12dir=NotFound\r\n[MRU]\r\ncurrent_dir=" +
                  folder.toUtf8() + "\r\n[Position]\r\nLeft=0x64\r\nTop=$40\r\n[Mine]\r\na=b\r\n");
    start();
    EXPECT_EQ(window->pos(), QPoint(100, 64));
    EXPECT_EQ(control<QAction>("Open2")->text(), "  Diesel");
    EXPECT_EQ(window->engine().AssetFolder, folder);
    EXPECT_EQ(control<RadioGroup>("SoundType")->ItemIndex(), -1) << "not classified until picked";
    EXPECT_EQ(control<QLabel>("LAsset")->text(), "Asset Folder:");
    EXPECT_FALSE(control<Timer>("Timer5")->Enabled()) << "every simulator version was answered";

    window->move(321, 123);
    window->close();
    const QByteArray saved = readSettings();
    EXPECT_TRUE(saved.startsWith("[OpenWith]\r\nTS2009dir=NotFound\r\nTS2010dir=/opt/ts2010\r\n"));
    EXPECT_TRUE(saved.contains("[MRU]\r\ncurrent_dir=" + folder.toUtf8() + "\r\n"));
    EXPECT_TRUE(saved.contains("[Position]\r\nLeft=321\r\nTop=123\r\n\r\n[Mine]\r\na=b\r\n\r\n"
                               "[Program]\r\nVersion=1.03\r\n\r\n"))
        << saved.toStdString();
    EXPECT_FALSE(saved.contains("kept?"));
}

TEST_F(MainWindowTest, AWindowSavedOffEveryScreenOpensOnTheNearestOne) {
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    struct Case {
        int left, top;
        bool kept;
    };
    // Saved on a desk with another monitor layout; then one that only sticks out over the
    // right and bottom edges, whose caption can still be reached.
    for (const Case& c : {Case{screen.right() + 4000, screen.top() - 3000, false},
                          Case{screen.right() - 100, screen.bottom() - 100, true}}) {
        SCOPED_TRACE(c.left);
        writeSettings("[Position]\r\nLeft=" + QByteArray::number(c.left) +
                      "\r\nTop=" + QByteArray::number(c.top) + "\r\n");
        start();
        window->show();
        if (c.kept) {
            EXPECT_EQ(window->pos(), QPoint(c.left, c.top));
        } else {
            const QRect frame = window->frameGeometry();
            EXPECT_TRUE(screen.contains(frame)) << frame.x() << "," << frame.y();
        }
        const QPoint shown = window->pos();
        window->close();
        EXPECT_TRUE(readSettings().contains("[Position]\r\nLeft=" + QByteArray::number(shown.x()) +
                                            "\r\nTop=" + QByteArray::number(shown.y()) + "\r\n"))
            << readSettings().toStdString();
        window.reset();
    }
}

TEST_F(MainWindowTest, ARememberedFolderThatIsGoneIsForgottenSilently) {
    writeSettings("[MRU]\r\ncurrent_dir=/no/such/folder/\r\n[Position]\r\nLeft=abc\r\n");
    start();
    EXPECT_EQ(window->pos(), QPoint(200, 150)) << "a position that is no number gives the default";
    EXPECT_TRUE(window->engine().AssetFolder.isEmpty());
    EXPECT_EQ(control<QAction>("Open2")->text(), "");
    window->close();
    EXPECT_TRUE(readSettings().contains("[MRU]\r\ncurrent_dir=\r\n"));
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(MainWindowTest, AFolderArgumentIsClassifiedAndArranged) {
    start({demo("Diesel")});
    EXPECT_EQ(window->engine().AssetFolder, demo("Diesel") + "/");
    EXPECT_EQ(control<RadioGroup>("SoundType")->ItemIndex(), 1);
    EXPECT_EQ(control<RadioGroup>("HornType")->ItemIndex(), -1);
    EXPECT_FALSE(control<QPushButton>("BtStart")->isHidden());
    EXPECT_FALSE(control<QPushButton>("BtStop")->isHidden());
    EXPECT_TRUE(control<QPushButton>("BtHorn")->isHidden());
    EXPECT_TRUE(control<QPushButton>("btBell")->isHidden());
    EXPECT_TRUE(control<RadioGroup>("HornType")->isHidden());
    EXPECT_EQ(control<QLabel>("LThrottle")->text(), "Throttle");
    EXPECT_EQ(control<QLabel>("LAsset")->text(), "Asset Folder: Diesel");
    EXPECT_EQ(control<QAction>("Open2")->text(), "") << "the command line leaves the entry alone";
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(MainWindowTest, EachDemoSetIsRecognisedWithItsArrangement) {
    struct Case {
        const char* set;
        int soundType, hornType;
        bool start, horn, bell;
        const char* throttleCaption;
    };
    for (const Case& c : {Case{"Electric", 0, -1, true, false, false, "Throttle"},
                          Case{"Steam1", 2, -1, true, false, false, "Speed"},
                          Case{"Steam2", 3, -1, true, false, false, "Speed"},
                          Case{"Horn1", 4, 0, false, true, false, "Throttle"},
                          Case{"Horn2", 4, 1, false, true, false, "Throttle"},
                          Case{"Horn3", 4, 2, false, true, false, "Throttle"},
                          Case{"HornBell", 4, 1, false, true, true, "Throttle"}}) {
        SCOPED_TRACE(c.set);
        start({demo(c.set)});
        EXPECT_EQ(control<RadioGroup>("SoundType")->ItemIndex(), c.soundType);
        EXPECT_EQ(control<RadioGroup>("HornType")->ItemIndex(), c.hornType);
        EXPECT_EQ(!control<QPushButton>("BtStart")->isHidden(), c.start);
        EXPECT_EQ(!control<QPushButton>("BtHorn")->isHidden(), c.horn);
        EXPECT_EQ(!control<QPushButton>("btBell")->isHidden(), c.bell);
        EXPECT_EQ(!control<RadioGroup>("HornType")->isHidden(), c.horn);
        EXPECT_EQ(control<QFrame>("Panel2")->isEnabled(), c.start);
        EXPECT_EQ(control<QLabel>("LThrottle")->isEnabled(), c.start);
        EXPECT_EQ(control<QLabel>("LThrottle")->text(), c.throttleCaption);
        EXPECT_EQ(control<QLabel>("LAsset")->text(), QString("Asset Folder: ") + c.set);
        window.reset();
    }
    EXPECT_TRUE(messages.isEmpty()) << messages.join("; ").toStdString();
}

TEST_F(MainWindowTest, AFolderArgumentWithATrailingSeparatorOrRelativeIsNormalised) {
    const QString cwd = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(qpath(demoDir())));
    start({"Diesel/"});
    QDir::setCurrent(cwd);
    EXPECT_EQ(window->engine().AssetFolder, demo("Diesel") + "/");
    EXPECT_EQ(control<QLabel>("LAsset")->text(), "Asset Folder: Diesel");
}

TEST_F(MainWindowTest, AFolderThatMeetsNoRuleIsReported) {
    const fs::path odd = dir / "Odd";
    touch(odd / "something.wav");
    start({qpath(odd)});
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(messages.front(), "** Could not determine the sound type **\n"
                                "The selected asset does not meet the file naming requirements.");
    EXPECT_EQ(control<RadioGroup>("SoundType")->ItemIndex(), -1);
    EXPECT_EQ(control<QLabel>("LAsset")->text(), "Asset Folder:");
    EXPECT_EQ(window->engine().AssetFolder, qpath(odd) + "/");
}

TEST_F(MainWindowTest, AWaveFileArgumentInAnyCaseEntersSingleFileMode) {
    const fs::path wav = dir / "Loud HORN.WAV";
    writeWav(wav, 1, 22050, 16, std::vector<int16_t>(2205, 1000));
    start({qpath(wav)});
    EXPECT_TRUE(window->engine().SingleFileMode);
    EXPECT_EQ(window->engine().SingleFilePath, qpath(wav));
    EXPECT_TRUE(control<QPushButton>("BtHorn")->isHidden());
    EXPECT_TRUE(control<QPushButton>("btBell")->isHidden());
    EXPECT_FALSE(control<QPushButton>("BtStart")->isHidden());
    EXPECT_FALSE(control<TrackBar>("Throttle1")->isEnabled());
    EXPECT_TRUE(control<Timer>("Timer5")->Enabled());
    EXPECT_EQ(control<RadioGroup>("SoundType")->ItemIndex(), -1);
    EXPECT_TRUE(messages.isEmpty());

    // About five seconds on, the status line says how to play it (no installer runs), and
    // Start plays it.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return window->statusText() == "   ** Press \"Start\" to play sound. **"; }, 20000));
    EXPECT_FALSE(control<Timer>("Timer5")->Enabled());
    control<QPushButton>("BtStart")->click();
    EXPECT_EQ(window->mixerChannel2()->FileName(), wav.string());
    EXPECT_EQ(control<QLabel>("Label2")->text(), "Loud HORN.WAV");
    EXPECT_TRUE(errors.isEmpty());
}

TEST_F(MainWindowTest, ABadArgumentIsReportedAndStartUpCompletes) {
    const fs::path mp3 = dir / "horn.mp3";
    touch(mp3);
    // A pipe or a device named like a wave file would block the window when it is read.
    const fs::path pipe = dir / "pipe.wav";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const fs::path device = dir / "null.wav";
    fs::create_symlink("/dev/null", device);
    for (const QString& arg :
         {QString("/no/such/horn.wav"), qpath(mp3), qpath(pipe), qpath(device)}) {
        messages.clear();
        start({arg});
        ASSERT_EQ(messages.size(), 1) << arg.toStdString();
        EXPECT_EQ(messages.front(), "Parameter file or folder does not exist\n" + arg);
        EXPECT_FALSE(window->engine().SingleFileMode);
        EXPECT_TRUE(window->engine().AssetFolder.isEmpty());
        EXPECT_NE(window->mixerChannel2(), nullptr);
        window.reset();
    }
}

TEST_F(MainWindowTest, TwoArgumentsAreBothIgnored) {
    start({demo("Diesel"), demo("Electric")});
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_EQ(control<RadioGroup>("SoundType")->ItemIndex(), -1);
    EXPECT_TRUE(window->engine().AssetFolder.isEmpty());
}

TEST_F(MainWindowTest, AFolderWhoseNameHoldsALineBreakIsNotRemembered) {
    const fs::path odd = dir / "two\nlines";
    fs::create_directories(odd);
    start({qpath(odd)});
    ASSERT_EQ(window->engine().AssetFolder, qpath(odd) + "/");
    window->close();
    const QByteArray saved = readSettings();
    EXPECT_TRUE(saved.contains("[MRU]\r\ncurrent_dir=\r\n\r\n[Position]")) << saved.toStdString();
    EXPECT_EQ(saved.count("\r\n"), saved.count("\n")) << "no bare line break got into the file";
}

TEST_F(MainWindowTest, ASettingsFileThatCannotBeWrittenIsReportedAndTheWindowStillCloses) {
    // A folder standing where the file should be: not writable even for root.
    fs::create_directories(dir / "whistlestop.ini");
    start();
    window->close();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(window->mixerChannel1(), nullptr);
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors.front().contains(settingsFile())) << errors.front().toStdString();
}

TEST_F(MainWindowTest, ACloseRequestInsideAHandlerWaitsUntilTheOutermostHandlerHasReturned) {
    // The sound logic processes pending messages inside its handlers and then goes on with
    // the channels. A close request that comes meanwhile must not free them under it.
    const QString stop = demo("Diesel") + "/stop.wav";
    start({demo("Diesel")});
    window->show();
    setMessageResponder([this](const QString& text, bool isError) {
        (isError ? errors : messages) << text;
        window->close(); // a signal from the desktop session while the box waits
        return true;
    });
    bool finished = false;
    runHandler(window.get(), [&] {
        MixerChannel* channel = window->mixerChannel2();
        // The close button, as the window system delivers it.
        QCoreApplication::postEvent(window->windowHandle(), new QCloseEvent);
        processMessages();
        // A handler that runs nested inside this one fails; its error box is open when the
        // next request comes.
        runHandler(window.get(), [] { throw UserError("nested failure"); });
        ASSERT_EQ(window->mixerChannel2(), channel) << "the channel was freed under the handler";
        EXPECT_TRUE(window->isVisible());
        channel->setFileName(stop.toStdString());
        channel->play();
        EXPECT_EQ(channel->State(), ChannelState::csPlaying);
        finished = true;
    });
    EXPECT_TRUE(finished);
    EXPECT_EQ(errors, QStringList({"nested failure"}));
    EXPECT_FALSE(window->isVisible()) << "the window closes once the handler has returned";
    EXPECT_EQ(window->mixerChannel1(), nullptr);
    EXPECT_EQ(window->mixerChannel2(), nullptr);
    EXPECT_TRUE(
        readSettings().contains("[MRU]\r\ncurrent_dir=" + demo("Diesel").toUtf8() + "/\r\n"))
        << readSettings().toStdString();
}

TEST_F(MainWindowTest, ExitClosesLikeTheCloseButton) {
    start();
    window->show();
    control<QAction>("Exit1")->trigger();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(window->mixerChannel1(), nullptr);
    EXPECT_TRUE(readSettings().startsWith("[OpenWith]"));
}
