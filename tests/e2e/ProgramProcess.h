// The real program run as a separate process from a copy of its own, so that its settings
// file (beside it) is the test's, and what a test needs to close it as a desktop session
// would.
#pragma once

#include "QtPath.h"
#include "TestSupport.h"

#include <QFile>
#include <QProcess>
#include <QTest>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <string>

namespace ws::test {

// True once the process catches `signal` (its handler is installed).
inline bool catches(long long pid, int signal) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("SigCgt:", 0) == 0) {
            const unsigned long long mask = std::stoull(line.substr(7), nullptr, 16);
            return (mask >> (signal - 1)) & 1u;
        }
    }
    return false;
}

// Copies the program into `dir`.
inline std::filesystem::path installProgram(const std::filesystem::path& dir) {
    const std::filesystem::path program = dir / "whistlestop";
    std::filesystem::copy_file(WS_PROGRAM, program);
    return program;
}

// Starts a copy of the program in `dir` with `arguments`, its data and Wine prefix in `dir`,
// `env` added, and waits until it catches SIGTERM. Unless it is a first start, every
// simulator version is answered, so the Open-With installer stays away.
inline bool launch(QProcess& process, const std::filesystem::path& dir,
                   const QStringList& arguments, const QProcessEnvironment& env = {},
                   bool firstStart = false) {
    QFile settings(qpath(dir / "whistlestop.ini"));
    if (!firstStart && settings.open(QIODevice::WriteOnly))
        settings.write("[OpenWith]\r\nTS2009dir=NotFound\r\nTS2010dir=NotFound\r\n"
                       "TS12dir=NotFound\r\n");
    settings.close();
    QProcessEnvironment all = QProcessEnvironment::systemEnvironment();
    all.insert("QT_QPA_PLATFORM", "offscreen");
    all.insert("WINEPREFIX", qpath(dir / "wine")); // no simulator: the installer asks
    all.insert("XDG_DATA_HOME", qpath(dir / "data"));
    all.insert(env);
    process.setProcessEnvironment(all);
    process.start(qpath(installProgram(dir)), arguments);
    return process.waitForStarted(30000) &&
           QTest::qWaitFor([&] { return catches(process.processId(), SIGTERM); }, 30000);
}

} // namespace ws::test
