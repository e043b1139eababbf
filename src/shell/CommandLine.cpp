// The command-line options; see CommandLine.h.
#include "CommandLine.h"

#include "check/AssetCheck.h"
#include "check/ReportFormat.h"

#include <QString>
#include <QStringList>

#include <algorithm>
#include <cstdio>

namespace ws {

namespace {

const char* const Usage =
    "Usage: whistlestop [FOLDER | FILE.wav]\n"
    "       whistlestop --check FOLDER [--json]\n"
    "       whistlestop --help | --version\n"
    "\n"
    "Without options, opens the window on a Trainz engine-sound asset folder, or on one\n"
    "wave file to play on its own.\n"
    "\n"
    "  --check FOLDER  check the sound set in FOLDER without opening a window and print\n"
    "                  what is wrong, file by file; exits 0 when nothing is wrong, 1 on\n"
    "                  warnings only, 2 on errors, 3 on bad usage\n"
    "  --json          print the check's findings as JSON\n"
    "  --help          print this help\n"
    "  --version       print the version\n";

void print(std::FILE* to, const QByteArray& text) {
    std::fwrite(text.constData(), 1, std::size_t(text.size()), to);
    std::fflush(to);
}

int badUsage(const QString& why) {
    print(stderr, ("whistlestop: " + why + "\n\n").toUtf8() + Usage);
    return BadUsage;
}

bool isOption(const QString& argument) {
    return argument == QLatin1String("--check") || argument == QLatin1String("--json") ||
           argument == QLatin1String("--help") || argument == QLatin1String("--version");
}

} // namespace

std::optional<int> runCommandLine(int argc, char** argv) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    if (std::none_of(arguments.begin(), arguments.end(), isOption))
        return std::nullopt;

    if (arguments.contains(QLatin1String("--help"))) {
        print(stdout, Usage);
        return CheckClean;
    }
    if (arguments.contains(QLatin1String("--version"))) {
        print(stdout, "Whistlestop for Trainz 1.03\n");
        return CheckClean;
    }
    bool json = false;
    QString folder;
    bool check = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (a == QLatin1String("--json")) {
            json = true;
        } else if (a == QLatin1String("--check")) {
            if (check)
                return badUsage(QStringLiteral("--check is given twice"));
            if (i + 1 >= arguments.size())
                return badUsage(QStringLiteral("--check needs the asset folder"));
            check = true;
            folder = arguments[++i];
        } else {
            return badUsage(QStringLiteral("unexpected \"%1\"").arg(a));
        }
    }
    if (!check)
        return badUsage(QStringLiteral("--json goes with --check"));

    const check::AssetReport report = check::checkAssetFolder(folder);
    print(stdout, json ? check::reportJson(report) : check::reportText(report).toUtf8());
    return report.exitCode();
}

} // namespace ws
