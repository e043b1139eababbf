// The library listing of the command line; see LibraryCommand.h.
#include "LibraryCommand.h"

#include "Terminal.h"
#include "check/Library.h"
#include "check/LibraryFormat.h"

#include <cstdio>
#include <vector>

namespace ws {

namespace {

struct Asset {
    qsizetype root; // index into the folders given
    check::FoundFolder found;
    QString name; // as listed
};

void tell(term::ProgressLine& progress, const QString& text) {
    progress.clear();
    const QByteArray line = ("whistlestop: " + text + "\n").toUtf8();
    std::fwrite(line.constData(), 1, std::size_t(line.size()), stderr);
    std::fflush(stderr);
}

} // namespace

int checkLibraryFolders(const CheckOptions& options) {
    term::ProgressLine progress(stderr);
    check::LibraryTally tally;
    std::vector<Asset> assets;
    const qsizetype roots = options.folders.size();
    for (qsizetype r = 0; r < roots; ++r) {
        const QString& root = options.folders[r];
        if (!options.recursive) {
            assets.push_back({r, {options.paths[std::size_t(r)], root, QString()}, root});
            continue;
        }
        check::FindCallbacks callbacks;
        callbacks.skipped = [&](const QString& folder, const QString& why) {
            ++tally.skipped;
            tell(progress, QStringLiteral("skipped \"%1\": %2").arg(folder, why));
        };
        const std::size_t before = assets.size();
        callbacks.progress = [&](std::size_t looked, std::size_t found) {
            progress.show(QStringLiteral(" looking for assets: %1 found in %2")
                              .arg(before + found)
                              .arg(check::counted(qsizetype(looked), QStringLiteral("folder"))));
        };
        for (check::FoundFolder& f :
             check::findAssetFolders(options.paths[std::size_t(r)], callbacks)) {
            // One root: paths relative to it. Several: each path begins with its root.
            QString name = roots == 1 && !f.relative.isEmpty() ? f.relative : f.path;
            assets.push_back({r, std::move(f), std::move(name)});
        }
        if (assets.size() == before)
            tell(progress, QStringLiteral("no asset folder below \"%1\"").arg(root));
    }

    check::TextLayout layout;
    layout.width = term::outputWidth(stdout);
    layout.colour = term::colourWanted(stdout);
    layout.verbose = options.verbose;
    std::vector<QString> names;
    names.reserve(assets.size());
    for (const Asset& a : assets)
        names.push_back(a.name);
    const int column = check::nameColumn(names, layout.width);
    names = {};

    const auto showProgress = [&](std::size_t finished, bool now) {
        progress.show(QStringLiteral(" checked %1 of %2").arg(finished).arg(assets.size()), now);
    };
    std::size_t finished = 0;
    check::LibraryRun run;
    run.count = assets.size();
    run.workers = options.jobs > 0 ? options.jobs : check::defaultWorkers();
    run.check = [&](std::size_t i) { return check::checkAssetFolder(assets[i].found.native); };
    run.done = [&](std::size_t i, check::AssetReport& report) {
        tally.add(report);
        const Asset& a = assets[i];
        progress.clear();
        term::writeAll(stdout,
                       options.json
                           ? check::assetJsonLine(options.folders[a.root], a.found.relative, report)
                           : check::assetListing(a.name, report, layout, column).toUtf8());
        showProgress(finished, true);
    };
    run.progress = [&](std::size_t n) {
        finished = n;
        showProgress(finished, false);
    };
    check::checkLibrary(run);
    progress.clear();
    term::writeAll(stdout, options.json ? check::tallyJsonLine(tally)
                                        : "\n" + check::tallyText(tally).toUtf8());
    return tally.exitCode();
}

} // namespace ws
