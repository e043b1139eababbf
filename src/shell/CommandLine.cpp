// The command-line options; see CommandLine.h.
#include "CommandLine.h"

#include "LibraryCommand.h"
#include "Terminal.h"
#include "check/AssetCheck.h"
#include "check/AssetFolder.h"
#include "check/ReportFormat.h"

#include <QString>
#include <QStringList>

#include <algorithm>
#include <cstdio>
#include <system_error>

namespace ws {

namespace {

const char* const Usage =
    "Usage: whistlestop [FOLDER | FILE.wav]\n"
    "       whistlestop --check [--recursive] [--json] [--verbose] [--jobs N] FOLDER...\n"
    "       whistlestop --help | --version\n"
    "\n"
    "Without options, opens the window on a Trainz engine-sound asset folder, or on one\n"
    "wave file to play on its own.\n"
    "\n"
    "  --check FOLDER...  check sound sets without opening a window. One folder gets a\n"
    "                     full report, its findings grouped by cause; several get one\n"
    "                     line each and a total. Exits 0 when nothing is wrong, 1 on\n"
    "                     warnings only, 2 on errors, 3 on bad usage\n"
    "  --recursive        check every asset folder found at or below each FOLDER\n"
    "  --json             print JSON: the whole report for one folder, or one line per\n"
    "                     asset and a summary line last\n"
    "  --verbose          add the files and the limits to a report, and every finding\n"
    "                     to each asset of a listing\n"
    "  --jobs N           check N folders at a time (default: one per core)\n"
    "  --help             print this help\n"
    "  --version          print the version\n"
    "\n"
    "Options may come in any order; after \"--\" every argument is a folder.\n";

void print(std::FILE* to, const QByteArray& text) {
    std::fwrite(text.constData(), 1, std::size_t(text.size()), to);
    std::fflush(to);
}

int badUsage(const QString& why) {
    print(stderr, ("whistlestop: " + why + "\n\n").toUtf8() + Usage);
    return BadUsage;
}

// An argument that asks for the command line rather than the window.
// Anything that starts with a dash is meant as an option ("-h" too), never as a folder: a
// mistyped option must not open the window on a folder that does not exist.
bool isOption(const QString& argument) {
    return argument.startsWith(QLatin1Char('-')) && argument != QLatin1String("-");
}

struct Parsed {
    bool check = false;
    bool help = false;
    bool version = false;
    QString firstOption; // for "goes with --check"
    QString wrong;       // why the command line is bad usage; empty when it is not
    CheckOptions options;
};

Parsed parse(const QStringList& arguments, const std::vector<std::string>& spelled) {
    Parsed p;
    const auto fail = [&](const QString& why) {
        if (p.wrong.isEmpty())
            p.wrong = why;
    };
    bool folderOnly = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (folderOnly || !a.startsWith(QLatin1Char('-')) || a == QLatin1String("-")) {
            // A folder is opened by its bytes as given: a name that is not valid text in the
            // locale still names the folder.
            p.options.paths.emplace_back(spelled[std::size_t(i)]);
            p.options.folders << check::displayName(spelled[std::size_t(i)]);
            continue;
        }
        if (p.firstOption.isEmpty() && a != QLatin1String("--check"))
            p.firstOption = a;
        if (a == QLatin1String("--")) {
            folderOnly = true;
        } else if (a == QLatin1String("--check")) {
            p.check = true;
        } else if (a == QLatin1String("--json")) {
            p.options.json = true;
        } else if (a == QLatin1String("--recursive")) {
            p.options.recursive = true;
        } else if (a == QLatin1String("--verbose")) {
            p.options.verbose = true;
        } else if (a == QLatin1String("--help")) {
            p.help = true;
        } else if (a == QLatin1String("--version")) {
            p.version = true;
        } else if (a == QLatin1String("--jobs") || a.startsWith(QLatin1String("--jobs="))) {
            const bool attached = a.size() > 6;
            if (!attached && i + 1 >= arguments.size()) {
                fail(QStringLiteral("--jobs needs a number"));
                continue;
            }
            const QString value = attached ? a.mid(7) : arguments[++i];
            bool number = false;
            p.options.jobs = value.toInt(&number);
            if (!number || p.options.jobs < 1 || p.options.jobs > 1024)
                fail(QStringLiteral("--jobs takes a number from 1 to 1024, not \"%1\"").arg(value));
        } else {
            fail(QStringLiteral("unknown option \"%1\"").arg(a));
        }
    }
    if (!p.check && !p.firstOption.isEmpty() && p.firstOption != QLatin1String("--help") &&
        p.firstOption != QLatin1String("--version"))
        fail(QStringLiteral("%1 goes with --check").arg(p.firstOption));
    else if (p.check && p.options.folders.isEmpty())
        fail(QStringLiteral("--check needs an asset folder"));
    return p;
}

int runCheck(const CheckOptions& options) {
    if (options.recursive || options.folders.size() > 1)
        return checkLibraryFolders(options);
    const check::AssetReport report = check::checkAssetFolder(options.paths.front());
    check::TextLayout layout;
    layout.width = term::outputWidth(stdout);
    layout.colour = term::colourWanted(stdout);
    layout.verbose = options.verbose;
    term::writeAll(stdout, options.json ? check::reportJson(report)
                                        : check::reportText(report, layout).toUtf8());
    return report.exitCode();
}

} // namespace

std::optional<int> runCommandLine(int argc, char** argv) {
    QStringList arguments;
    std::vector<std::string> spelled;
    for (int i = 1; i < argc; ++i) {
        arguments << QString::fromLocal8Bit(argv[i]);
        spelled.emplace_back(argv[i]);
    }
    if (std::none_of(arguments.begin(), arguments.end(), isOption))
        return std::nullopt;

    const Parsed p = parse(arguments, spelled);
    if (p.help) {
        print(stdout, Usage);
        return CheckClean;
    }
    if (p.version) {
        print(stdout, "Whistlestop for Trainz 1.03\n");
        return CheckClean;
    }
    if (!p.wrong.isEmpty())
        return badUsage(p.wrong);
    try {
        return runCheck(p.options);
    } catch (const std::system_error& e) {
        print(stderr, "whistlestop: cannot write the report: " +
                          QByteArray::fromStdString(e.code().message()) + "\n");
        return CheckErrors;
    }
}

} // namespace ws
