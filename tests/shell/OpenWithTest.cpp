// The Open-With installer and remover through the real window and folder browser, with a
// scratch Wine prefix standing in for the simulator's drive; the command line's Windows
// paths; Help and About.
#include "MainWindowFixture.h"

#include "shell/AboutBox.h"
#include "shell/FolderBrowser.h"
#include "shell/RadioGroup.h"
#include "sim/AssetNames.h"

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QFileInfo>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QUrl>

#include <filesystem>
#include <unistd.h>

using namespace ws;
using namespace ws::test;
namespace fs = std::filesystem;

namespace {

// Answers every folder browser that opens, in turn, from a list (a folder to choose, or an
// empty string to cancel), and notes what the user saw when it opened. A browser beyond
// the list is cancelled and counted, so a test never hangs on one.
class BrowserScript {
public:
    struct Seen {
        QString title;
        QString memo;
        int width;
        bool memoShown;
    };

    BrowserScript(MainWindow& window, QStringList answers)
        : window_(window), answers_(std::move(answers)) {
        QObject::connect(&timer_, &QTimer::timeout, [this] { poll(); });
        timer_.start(20);
    }

    void stop() { timer_.stop(); }

    std::vector<Seen> seen;
    int unexpected = 0;

private:
    void poll() {
        auto* dialog = qobject_cast<FolderBrowserDialog*>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible())
            return;
        auto* memo = window_.findChild<QPlainTextEdit*>("Memo1");
        seen.push_back(
            {dialog->titleText(), memo->toPlainText(), window_.width(), !memo->isHidden()});
        if (answers_.isEmpty()) {
            ++unexpected;
            dialog->reject();
            return;
        }
        const QString answer = answers_.takeFirst();
        if (answer.isEmpty()) {
            dialog->reject();
        } else {
            dialog->select(answer);
            dialog->accept();
        }
    }

    MainWindow& window_;
    QStringList answers_;
    QTimer timer_;
};

QByteArray readAll(const fs::path& file) {
    QFile f(qpath(file));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Keeps entries from being made in or deleted from a folder while it lives: the write bit
// for a user, the immutable attribute for root (whom the write bit does not stop).
class LockedFolder {
public:
    explicit LockedFolder(const fs::path& folder) : folder_(folder) {
        if (::geteuid() != 0) {
            fs::permissions(folder_, fs::perms::owner_write, fs::perm_options::remove);
            locked_ = true;
        } else {
            locked_ = QProcess::execute("chattr", {"+i", qpath(folder_)}) == 0;
        }
    }
    ~LockedFolder() {
        if (!locked_)
            return;
        if (::geteuid() != 0)
            fs::permissions(folder_, fs::perms::owner_write, fs::perm_options::add);
        else
            QProcess::execute("chattr", {"-i", qpath(folder_)});
    }
    LockedFolder(const LockedFolder&) = delete;
    LockedFolder& operator=(const LockedFolder&) = delete;
    bool locked() const { return locked_; }

private:
    fs::path folder_;
    bool locked_ = false;
};

// Stands in for the desktop's viewer: the files Help hands over.
class Opened : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl& url) { urls << url; }
};

class OpenWithTest : public MainWindowTest {
protected:
    fs::path driveC() const { return dir / "wine" / "drive_c"; }
    // A simulator root with the content manager's tools folder below it, spelled `tools`.
    fs::path simulator(const fs::path& root, const char* tools = "bin/CMPData/Tools") {
        fs::create_directories(root / tools);
        return root;
    }
    fs::path linkPath() const { return dir / "data" / "Whistlestop" / "whistlestop.exe"; }
    QByteArray expectedBatch() const {
        QString wine = "Z:" + qpath(linkPath());
        wine.replace('/', '\\');
        return "@echo off\r\n\"" + wine.toLatin1() + "\" %1%\r\n";
    }
    void trigger(const char* action) {
        auto* a = window->findChild<QAction*>(action);
        ASSERT_NE(a, nullptr) << action;
        a->trigger();
    }
};

} // namespace

TEST_F(OpenWithTest, FirstRunInstallsWhereTheSimulatorIsAndAsksForTheOthers) {
    // TS2010 where it usually is; TS12 somewhere the user knows, its tools folder in other
    // letter case; no TS2009.
    const fs::path ts2010 = simulator(driveC() / "Program Files" / "Auran" / "TS2010");
    const fs::path ts12 = simulator(dir / "games" / "TS12", "BIN/cmpdata/tools");
    openWithAnswered = false;
    start();
    const int normalWidth = window->width();
    BrowserScript browsers(*window, {"", qpath(ts12)});

    // About five seconds after start the installer runs on its own.
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->statusText().endsWith("loaded"); }, 30000));
    EXPECT_EQ(window->statusText(), "TS2010 TS12 OpenWith Macro/s loaded");
    ASSERT_EQ(browsers.seen.size(), 2u);
    EXPECT_EQ(browsers.seen[0].title, "Find TS2009 Root Folder\nIf you don't have TS2009 press "
                                      "\"cancel\".");
    EXPECT_EQ(browsers.seen[0].memo, "Locate the TS2009 application folder (usually\n"
                                     " ..Program Files\\Auran\\TS2009.\n"
                                     "If you don't have TS2009 press \"cancel\".");
    EXPECT_EQ(browsers.seen[0].width,
              normalWidth + MainWindow::WideWidth - MainWindow::LayoutWidth);
    EXPECT_TRUE(browsers.seen[0].memoShown);
    EXPECT_EQ(browsers.seen[1].title, "Find TS12 Root Folder\nIf you don't have TS12 press "
                                      "\"cancel\".");
    EXPECT_TRUE(browsers.seen[1].memo.endsWith("TS2010 OpenWith Macro loaded\n\n\n"
                                               "Locate the TS12 application folder (usually\n"
                                               " ..Program Files\\N3V Games\\TS12.\n"
                                               "If you don't have TS12 press \"cancel\"."))
        << browsers.seen[1].memo.toStdString();
    EXPECT_EQ(window->width(), normalWidth);
    EXPECT_TRUE(control<QPlainTextEdit>("Memo1")->isHidden());
    EXPECT_EQ(browsers.unexpected, 0);

    // Both batch files name the launcher link, which leads to the running program.
    const fs::path batch2010 = ts2010 / "bin/CMPData/Tools/OpenWith/Whistlestop.bat";
    EXPECT_EQ(readAll(batch2010), expectedBatch());
    EXPECT_EQ(readAll(ts12 / "BIN/cmpdata/tools/OpenWith/Whistlestop.bat"), expectedBatch());
    EXPECT_EQ(QFileInfo(qpath(linkPath())).symLinkTarget(),
              QCoreApplication::applicationFilePath());
    EXPECT_TRUE(errors.isEmpty()) << errors.join("; ").toStdString();

    // Setup > Open With asks again for what is not at its usual place and writes the same
    // file again, over one that was changed meanwhile.
    {
        QFile f(qpath(batch2010));
        ASSERT_TRUE(f.open(QIODevice::Append));
        f.write("echo stale\r\n");
    }
    browsers.stop();
    BrowserScript again(*window, {"", ""});
    trigger("OpenWith1");
    EXPECT_EQ(again.seen.size(), 2u);
    EXPECT_EQ(window->statusText(), "TS2010 OpenWith Macro/s loaded");
    EXPECT_EQ(readAll(batch2010), expectedBatch());

    // What was found is remembered, so the next start asks nothing.
    window->close();
    const QByteArray settings = readSettings();
    EXPECT_TRUE(settings.contains("[OpenWith]\r\nTS2009dir=NotFound\r\nTS2010dir=" +
                                  qpath(ts2010).toUtf8() + "\r\nTS12dir=NotFound\r\n"))
        << settings.toStdString();
}

TEST_F(OpenWithTest, FoldersThatRefuseAreReportedAndTheRestStillHandled) {
    const fs::path ts2009 = simulator(driveC() / "Program Files (x86)" / "Auran" / "TS2009");
    const fs::path ts12 = simulator(driveC() / "Program Files" / "N3V Games" / "TS12");
    const fs::path install2009 = ts2009 / "bin/CMPData/Tools/OpenWith";
    fs::create_directories(install2009);
    const LockedFolder locked2009(install2009);
    if (!locked2009.locked())
        GTEST_SKIP() << "this file system cannot keep root from writing a folder";
    start();
    BrowserScript browsers(*window, {""});

    // TS2009's batch file cannot be written: one error that names it, and TS2010 and TS12
    // are still handled; the window comes back to its size.
    const int normalWidth = window->width();
    trigger("OpenWith1");
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].contains(qpath(install2009 / "Whistlestop.bat")))
        << errors[0].toStdString();
    EXPECT_EQ(window->statusText(), "TS12 OpenWith Macro/s loaded");
    EXPECT_EQ(window->width(), normalWidth);
    EXPECT_TRUE(control<QPlainTextEdit>("Memo1")->isHidden());
    EXPECT_FALSE(fs::exists(install2009 / "Whistlestop.bat"));
    EXPECT_TRUE(fs::exists(ts12 / "bin/CMPData/Tools/OpenWith/Whistlestop.bat"));

    // A batch file that cannot be deleted is not reported as removed.
    {
        const LockedFolder locked12(ts12 / "bin/CMPData/Tools/OpenWith");
        trigger("RemoveOpenWiths1");
        EXPECT_EQ(window->statusText(), "No Open With Macros REMOVED. TS12 could not be removed.");
        EXPECT_TRUE(fs::exists(ts12 / "bin/CMPData/Tools/OpenWith/Whistlestop.bat"));
    }
    trigger("RemoveOpenWiths1");
    EXPECT_EQ(window->statusText(), "TS12 Open With Macros REMOVED.");
    EXPECT_FALSE(fs::exists(ts12 / "bin/CMPData/Tools/OpenWith/Whistlestop.bat"));
    EXPECT_TRUE(fs::exists(ts12 / "bin/CMPData/Tools/OpenWith")) << "the folder stays";
    trigger("RemoveOpenWiths1");
    EXPECT_EQ(window->statusText(), "No Open With Macros REMOVED.");
    EXPECT_EQ(errors.size(), 1);

    window->close();
    const QByteArray settings = readSettings();
    EXPECT_TRUE(settings.contains("TS2009dir=" + qpath(ts2009).toUtf8() + "\r\n"))
        << "the root found is kept for another try: " << settings.toStdString();
    EXPECT_TRUE(settings.contains("TS2010dir=NotFound\r\nTS12dir=NotFound\r\n"));
}

TEST_F(OpenWithTest, InSingleFileModeTheStartUpTriggerOnlySaysHowToPlay) {
    const fs::path wav = dir / "audition.wav";
    writeWav(wav, 1, 22050, 16, std::vector<int16_t>(2205, 1000));
    simulator(driveC() / "Program Files" / "Auran" / "TS2010");
    openWithAnswered = false;
    start({qpath(wav)});
    BrowserScript browsers(*window, {});
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return window->statusText() == "   ** Press \"Start\" to play sound. **"; }, 30000));
    QTest::qWait(200);
    EXPECT_TRUE(browsers.seen.empty());
    EXPECT_FALSE(fs::exists(driveC() / "Program Files/Auran/TS2010/bin/CMPData/Tools/OpenWith"));
}

TEST_F(OpenWithTest, WindowsPathsOnTheCommandLineAreFoundThroughTheWineDrives) {
    const fs::path wine = dir / "wine";
    const fs::path loco = driveC() / "Users" / "Me" / "My Loco";
    fs::create_directories(loco);
    for (const char* file : {"idle 1.wav", "up 1 - 2.wav", "down 2 - 1.wav"})
        fs::copy_file(demoDir() / "Diesel" / file, loco / file);
    fs::create_directories(wine / "dosdevices");
    fs::create_symlink("../drive_c", wine / "dosdevices" / "c:");
    fs::create_symlink("/", wine / "dosdevices" / "z:");
    QString zPath = "z:" + qpath(loco);
    zPath.replace('/', '\\');

    // ".." stops at the drive's root, as on Windows.
    for (const QString& argument :
         {QString("C:\\users\\me\\MY LOCO"), QString("c:/Users/Me/My Loco/"), zPath,
          QString("C:\\..\\..\\Users\\Me\\.\\My Loco")}) {
        start({argument});
        EXPECT_EQ(window->engine().AssetFolder, qpath(loco) + "/") << argument.toStdString();
        EXPECT_EQ(control<RadioGroup>("SoundType")->ItemIndex(), SoundTypeDiesel);
        window.reset();
    }
    start({"C:\\Users\\Me\\My Loco\\IDLE 1.WAV"});
    EXPECT_TRUE(window->engine().SingleFileMode);
    EXPECT_EQ(window->engine().SingleFilePath, qpath(loco / "idle 1.wav"));
    window.reset();
    EXPECT_TRUE(messages.isEmpty()) << messages.join("; ").toStdString();

    start({"D:\\My Loco"});
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(messages[0], "Parameter file or folder does not exist\nD:\\My Loco");
}

TEST_F(OpenWithTest, HelpPrefersTheSubfolderFileThenTheManualAndAboutIsCentred) {
    Opened opened;
    QDesktopServices::setUrlHandler("file", &opened, "open");
    const QString oldCwd = QDir::currentPath();
    QDir::setCurrent(qpath(dir.path()));
    start();

    touch(dir / "whistlestop.chm");
    touch(dir / "help" / "whistlestop.chm");
    trigger("Help2");
    fs::remove(dir / "help" / "whistlestop.chm");
    trigger("Help2");
    fs::remove(dir / "whistlestop.chm");
    trigger("Help2");
    QDir::setCurrent(oldCwd);
    QDesktopServices::unsetUrlHandler("file");
    // Where nothing opens it, the manual is shown in a window of the program's own, once.
    trigger("Help2");
    trigger("Help2");
    const auto helps = window->findChildren<QDialog*>("HelpWindow");
    ASSERT_EQ(helps.size(), 1);
    EXPECT_TRUE(helps[0]->isVisible());
    EXPECT_TRUE(helps[0]->findChild<QTextBrowser*>()->toPlainText().contains("Wine"));
    ASSERT_EQ(opened.urls.size(), 3);
    EXPECT_EQ(opened.urls[0].toLocalFile(), qpath(dir / "help" / "whistlestop.chm"));
    EXPECT_EQ(opened.urls[1].toLocalFile(), qpath(dir / "whistlestop.chm"));
    const QByteArray manual = readAll(fs::path(opened.urls[2].toLocalFile().toStdString()));
    EXPECT_TRUE(manual.contains("Whistlestop")) << opened.urls[2].toString().toStdString();
    EXPECT_TRUE(manual.contains("Wine"));

    // A window narrower than the dialog: the dialog reaches out to the left by half the
    // difference, rounded toward zero.
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    window->setGeometry(301, 200, 201, 400);
    auto* about = window->findChild<AboutBox*>("AboutBox");
    ASSERT_NE(about, nullptr);
    // The icon is drawn from its SVG, which takes Qt's SVG support at run time.
    auto* icon = about->findChild<QLabel*>("ProgramIcon");
    ASSERT_NE(icon, nullptr);
    EXPECT_FALSE(icon->pixmap().isNull()) << "the program's icon did not render";
    QRect placed;
    QTimer::singleShot(0, [&] {
        ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeModalWidget() == about; }));
        placed = about->frameGeometry();
        QTest::mouseClick(about->findChild<QPushButton*>("OKButton"), Qt::LeftButton);
    });
    trigger("About1");
    const QRect outer = window->frameGeometry();
    EXPECT_EQ(placed.left(), outer.left() + (outer.width() - placed.width()) / 2);
    EXPECT_EQ(placed.top(), outer.top() + (outer.height() - placed.height()) / 2);
    EXPECT_LT(placed.left(), outer.left());
    EXPECT_FALSE(about->isVisible());
}

#include "OpenWithTest.moc"
