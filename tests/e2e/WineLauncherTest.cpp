// The content manager's launcher through the real Wine: the batch file the installer writes,
// run by Wine's cmd with an asset folder named by its Windows path, starts the real program
// on that folder, though the program's name holds a "%". Skipped where Wine is not installed.
#include "ProgramProcess.h"
#include "QtPath.h"
#include "TestSupport.h"
#include "shell/OpenWithBatch.h"
#include "shell/WinePaths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>

namespace fs = std::filesystem;
using namespace ws;
using namespace ws::test;

namespace {

constexpr int WineStartMs = 300000; // a new prefix is set up on the first run

QString wineProgram() {
    for (const char* name : {"wine64", "wine"}) {
        const QString found = QStandardPaths::findExecutable(name);
        if (!found.isEmpty())
            return found;
    }
    return QString();
}

// The process running `program`, or 0.
long long processRunning(const fs::path& program) {
    const fs::path wanted = fs::canonical(program);
    for (const auto& entry : fs::directory_iterator("/proc")) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        std::error_code error;
        const fs::path exe = fs::read_symlink(entry.path() / "exe", error);
        if (!error && exe == wanted)
            return std::stoll(name);
    }
    return 0;
}

// The user's data folder, where the launcher link lives: one whose name cmd would expand, and
// one whose name it cannot read back at all.
class WineLauncherTest : public ::testing::TestWithParam<const char*> {};

} // namespace

TEST_P(WineLauncherTest, TheBatchFileStartsTheProgramOnTheAssetFolderThroughWine) {
    TempDir dir;
    // Names cmd would not read back as written are refused, and nothing is written.
    for (const QString& name :
         {QStringLiteral("Z:\\Jos\u00e9\\w.exe"), QStringLiteral("Z:\\a\"b.exe")})
        EXPECT_THROW(WriteOpenWithBatch(qpath(dir / "w.bat"), name), std::runtime_error);
    EXPECT_FALSE(fs::exists(dir / "w.bat"));
    const QString wine = wineProgram();
    if (wine.isEmpty())
        GTEST_SKIP() << "Wine is not installed; the launcher is not tried through it";
    ScopedEnv env;
    env.set("WINEPREFIX", (dir / "wine").string());
    env.set("XDG_DATA_HOME", (dir / GetParam()).string());
    QProcessEnvironment wineEnv = QProcessEnvironment::systemEnvironment();
    wineEnv.insert("WINEDEBUG", "-all");
    wineEnv.insert("WINEDLLOVERRIDES", "mscoree,mshtml="); // no installer dialogs
    wineEnv.remove("DISPLAY");
    wineEnv.remove("WAYLAND_DISPLAY");
    // Output goes to a file: a pipe closed when cmd ends would kill the program it started
    // at its next line of output.
    const QString log = qpath(dir / "wine.log");
    const auto logged = [&] {
        QFile f(log);
        return f.open(QIODevice::ReadOnly) ? f.readAll().toStdString() : std::string();
    };
    const auto runWine = [&](QProcess& process, const QStringList& arguments) {
        process.setProcessEnvironment(wineEnv);
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.setStandardOutputFile(log, QIODevice::Append);
        process.start(wine, arguments);
    };

    // A fresh prefix, as a user's first Wine run makes it.
    {
        QProcess boot;
        runWine(boot, {"cmd", "/c", "echo", "ready"});
        ASSERT_TRUE(boot.waitForFinished(WineStartMs)) << "Wine did not set up its prefix";
        ASSERT_NE(logged().find("ready"), std::string::npos) << logged();
    }

    // The program, its settings beside it answering the installer, and an asset folder in
    // the simulator user's documents.
    fs::create_directories(dir / "app");
    const fs::path program = installProgram(dir / "app");
    {
        QFile settings(qpath(dir / "app" / "whistlestop.ini"));
        ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
        settings.write(
            "[OpenWith]\r\nTS2009dir=NotFound\r\nTS2010dir=NotFound\r\nTS12dir=NotFound\r\n");
    }
    const fs::path loco = dir / "wine" / "drive_c" / "users" / "Public" / "My Loco";
    fs::create_directories(loco);
    for (const auto& file : fs::directory_iterator(demoDir() / "Diesel"))
        fs::copy_file(file.path(), loco / file.path().filename());

    const fs::path tools = dir / "wine" / "drive_c" / "Program Files" / "Auran" / "TS2010" / "bin" /
                           "CMPData" / "Tools" / "OpenWith";
    fs::create_directories(tools);
    // The user's desktop session gives the program its display. Wine passes no QT_ variable
    // on, so here a script standing in for the session tells Qt to draw off screen.
    const fs::path session = dir / "app" / "session";
    {
        QFile script(qpath(session));
        ASSERT_TRUE(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\nQT_QPA_PLATFORM=offscreen exec '" + qpath(program).toUtf8() +
                     "' \"$@\"\n");
    }
    fs::permissions(session, fs::perms::owner_all);
    WriteOpenWithBatch(qpath(tools / "Whistlestop.bat"), launcherProgram(qpath(session)));

    // The content manager starts the batch file with the asset folder, each quoted as one
    // argument ("call" keeps cmd from taking the outer quotes off the line).
    QProcess launch;
    runWine(launch, {"cmd", "/c", "call",
                     "C:\\Program Files\\Auran\\TS2010\\bin\\CMPData\\Tools\\OpenWith\\"
                     "Whistlestop.bat",
                     "C:\\users\\Public\\My Loco"});
    long long pid = 0;
    (void)QTest::qWaitFor(
        [&] {
            pid = processRunning(program);
            return pid != 0 || launch.state() == QProcess::NotRunning;
        },
        WineStartMs);
    ASSERT_NE(pid, 0) << "the program did not start: " << logged();
    ASSERT_TRUE(QTest::qWaitFor([&] { return catches(pid, SIGTERM); }, 60000));
    ::kill(static_cast<pid_t>(pid), SIGTERM);
    EXPECT_TRUE(QTest::qWaitFor([&] { return processRunning(program) == 0; }, 60000))
        << "the program did not close";
    EXPECT_TRUE(launch.state() == QProcess::NotRunning || launch.waitForFinished(60000));

    QFile settings(qpath(dir / "app" / "whistlestop.ini"));
    ASSERT_TRUE(settings.open(QIODevice::ReadOnly));
    const QByteArray saved = settings.readAll();
    EXPECT_TRUE(saved.contains("[MRU]\r\ncurrent_dir=" + qpath(loco).toUtf8() + "/\r\n"))
        << saved.toStdString() << logged();

    QProcess stop;
    stop.setProcessEnvironment(wineEnv);
    stop.start(QStandardPaths::findExecutable("wineserver"), {"-k"});
    stop.waitForFinished(30000);
}

INSTANTIATE_TEST_SUITE_P(DataFolders, WineLauncherTest,
                         ::testing::Values("100% done", "Donn\u00e9es"));
