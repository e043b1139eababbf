// The real program as a separate process: it starts on a demo set and a signal from the
// desktop session closes it the way File > Exit does, writing its settings.
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
    const fs::path program = installProgram(dir.path());
    const QString diesel = qpath(demoDir() / "Diesel");

    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("WINEPREFIX", qpath(dir / "wine")); // no simulator: the installer asks
    env.insert("XDG_DATA_HOME", qpath(dir / "data"));
    process.setProcessEnvironment(env);
    process.start(qpath(program), {diesel});
    ASSERT_TRUE(process.waitForStarted(30000));
    for (int i = 0; i < 3000 && !catches(process.processId(), GetParam()); ++i)
        QTest::qWait(10);
    ASSERT_TRUE(catches(process.processId(), GetParam()));
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

INSTANTIATE_TEST_SUITE_P(Signals, ProgramTest, ::testing::Values(SIGTERM, SIGINT),
                         [](const auto& info) {
                             return std::string(info.param == SIGTERM ? "SIGTERM" : "SIGINT");
                         });
