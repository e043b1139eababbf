// The real program as a separate process: it starts on a demo set and a signal from the
// desktop session closes it the way File > Exit does, writing its settings, also from the
// boxes it shows at start-up.
#include "ProgramProcess.h"
#include "QtPath.h"
#include "TestSupport.h"

#include <QFile>
#include <QProcess>
#include <QTest>
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;
using namespace ws::test;

namespace {
QByteArray readFile(const fs::path& file) {
    QFile f(qpath(file));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
} // namespace

class ProgramTest : public ::testing::TestWithParam<int> {};

TEST_P(ProgramTest, ASignalClosesTheWindowAndWritesTheSettings) {
    TempDir dir;
    const QString diesel = qpath(demoDir() / "Diesel");
    QProcess process;
    ASSERT_TRUE(launch(process, dir.path(), {diesel}, {}, true));
    if (GetParam() == SIGTERM) {
        // A first start: five seconds on, the Open-With installer prompts and, two seconds
        // later, waits in its folder browser. A session that ends then must still end the
        // program.
        QTest::qWait(9000);
    }

    ::kill(static_cast<pid_t>(process.processId()), GetParam());
    ASSERT_TRUE(process.waitForFinished(60000)) << "the program did not close";
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();

    const QByteArray settings = readFile(dir / "whistlestop.ini");
    EXPECT_TRUE(settings.contains("[MRU]\r\ncurrent_dir=" + diesel.toUtf8() + "/\r\n"))
        << settings.toStdString();
    EXPECT_TRUE(settings.contains("[Program]\r\nVersion=1.03\r\n"));
}

TEST(ProgramTest, ASignalEndsTheProgramFromAStartUpBox) {
    // A folder that does not exist, and one of no sound type: each says so in a box.
    TempDir dir;
    fs::create_directory(dir / "empty");
    for (const fs::path& folder : {dir / "none", dir / "empty"}) {
        SCOPED_TRACE(folder.string());
        QProcess process;
        ASSERT_TRUE(launch(process, dir.path(), {qpath(folder)}));
        QTest::qWait(2000); // the box is up by then, unless the machine is slow
        ::kill(static_cast<pid_t>(process.processId()), SIGTERM);
        ASSERT_TRUE(process.waitForFinished(60000)) << "the program did not end";
        EXPECT_EQ(process.exitCode(), 0);
        EXPECT_TRUE(readFile(dir / "whistlestop.ini").contains("[Program]\r\nVersion=1.03"));
        fs::remove(dir / "whistlestop");
    }
}

INSTANTIATE_TEST_SUITE_P(Signals, ProgramTest, ::testing::Values(SIGTERM, SIGINT),
                         [](const auto& info) {
                             return std::string(info.param == SIGTERM ? "SIGTERM" : "SIGINT");
                         });
