// Fuzzes the sound-type detection of an asset folder. The input is a folder listing
// (FuzzEntries.h), made twice on disk: as given, and in the reverse order with letter case
// flipped. The detection must not tell the two apart, and every file test it is built on
// must agree with a plain model of the documented search: a name is found when its entry,
// matched without regard to letter case, is a file; a pattern when the first matching entry,
// in name order with letter case ignored, is a file.
#include "FuzzCheck.h"
#include "FuzzEntries.h"
#include "FuzzScratch.h"

#include "sim/AssetNames.h"
#include "sim/SoundAsset.h"

#include <QStringList>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace ws::fuzz {
namespace {

bool hasWildcard(const QString& s) {
    return s.contains(QLatin1Char('*')) || s.contains(QLatin1Char('?'));
}

// Wildcard matching by dynamic programming, independent of the program's backtracking
// matcher: "*" any run of characters, "?" exactly one.
bool wildcardModel(const QString& pattern, const QString& name) {
    const qsizetype m = pattern.size();
    const qsizetype n = name.size();
    std::vector<char> row(static_cast<size_t>(n + 1), 0), next(row.size());
    row[0] = 1;
    for (qsizetype j = 1; j <= n; ++j)
        row[j] = 0;
    for (qsizetype i = 1; i <= m; ++i) {
        const QChar p = pattern[i - 1];
        next[0] = p == QLatin1Char('*') && row[0];
        for (qsizetype j = 1; j <= n; ++j) {
            if (p == QLatin1Char('*'))
                next[j] = row[j] || next[j - 1];
            else
                next[j] = row[j - 1] && (p == QLatin1Char('?') || p == name[j - 1]);
        }
        std::swap(row, next);
    }
    return row[n];
}

bool nameOrder(const Entry* a, const Entry* b) {
    const int c = a->name.compare(b->name, Qt::CaseInsensitive);
    return c != 0 ? c < 0 : a->name < b->name;
}

// The relative path, as created, of the file the model finds for `name`; a null string when
// it finds none. `flip` says how the folder was made.
QString modelFilePath(const std::vector<Entry>& top, const QString& name, bool flip) {
    const QStringList components = name.split(QLatin1Char('/'));
    const std::vector<Entry>* entries = &top;
    QString path;
    for (qsizetype i = 0; i + 1 < components.size(); ++i) {
        const QString& c = components[i];
        if (c.isEmpty() || hasWildcard(c))
            return QString();
        const Entry* e = findEntry(*entries, c);
        if (!e || !e->folder)
            return QString();
        path += (flip ? flippedCase(e->name) : e->name) + QLatin1Char('/');
        entries = &e->children;
    }
    const QString& last = components.back();
    if (last.isEmpty())
        return QString();
    const Entry* found = nullptr;
    if (!hasWildcard(last)) {
        found = findEntry(*entries, last);
    } else {
        const QString pattern = last.toCaseFolded();
        for (const Entry& e : *entries) {
            const QString spelled = flip ? flippedCase(e.name) : e.name;
            if (wildcardModel(pattern, spelled.toCaseFolded())) {
                // Letter case is flipped alike in both names, so the order is that of the
                // names as given.
                if (!found || nameOrder(&e, found))
                    found = &e;
            }
        }
    }
    if (!found || found->folder)
        return QString();
    return path + (flip ? flippedCase(found->name) : found->name);
}

// The names the detection tests.
QStringList assetNames() {
    return {assetfile::Idle1,
            assetfile::Up1To2,
            assetfile::Down2To1,
            assetfile::PistonStroke1,
            assetfile::SteamLoop,
            assetfile::SteamLoopPattern,
            assetfile::LocoStationaryFast,
            assetfile::EngineLoop,
            assetfile::HornStart,
            assetfile::HornLoop,
            assetfile::Horn3Start,
            assetfile::Horn3Idle,
            assetfile::Horn3Stop,
            assetfile::Horn,
            assetfile::AllWaves};
}

// Names made from the first entries of the listing and an entry inside each: as given, in
// the other letter case, or with one character made a wildcard. A few only, since every
// search lists a folder.
QStringList listingNames(const std::vector<Entry>& entries, InputRandom& random) {
    QStringList names;
    const auto variant = [&](const QString& name) {
        switch (random.below(3)) {
        case 0:
            names << name;
            break;
        case 1:
            names << flippedCase(name);
            break;
        default: {
            QString wild = name;
            wild[static_cast<qsizetype>(random.below(static_cast<uint64_t>(wild.size())))] =
                random.below(2) ? QLatin1Char('*') : QLatin1Char('?');
            names << wild;
        }
        }
    };
    for (std::size_t i = 0; i < entries.size() && i < 4; ++i) {
        variant(entries[i].name);
        if (!entries[i].children.empty())
            variant(entries[i].name + QLatin1Char('/') + entries[i].children.front().name);
    }
    return names;
}

// The relative path, as created, of the folder the model finds for `name`; a null string
// when it finds none.
QString modelFolderPath(const std::vector<Entry>& top, const QString& name, bool flip) {
    const std::vector<Entry>* entries = &top;
    QStringList path;
    for (const QString& c : name.split(QLatin1Char('/'))) {
        if (c.isEmpty() || hasWildcard(c))
            return QString();
        const Entry* e = findEntry(*entries, c);
        if (!e || !e->folder)
            return QString();
        path << (flip ? flippedCase(e->name) : e->name);
        entries = &e->children;
    }
    return path.join(QLatin1Char('/'));
}

void checkFiles(const QString& folder, const std::vector<Entry>& entries, bool flip,
                const QStringList& names) {
    for (const QString& name : names) {
        const QString expected = modelFilePath(entries, name, flip);
        const QString found = assetFilePath(folder, name);
        WS_FUZZ_CHECK(found.isNull() == expected.isNull());
        WS_FUZZ_CHECK(expected.isNull() || found == folder + expected);
    }
}

void checkFolders(const QString& folder, const std::vector<Entry>& entries, bool flip,
                  const QStringList& names) {
    for (const QString& name : names) {
        const QString expected = modelFolderPath(entries, name, flip);
        const QString found = assetFolderPath(folder, name);
        WS_FUZZ_CHECK(found.isNull() == expected.isNull());
        WS_FUZZ_CHECK(expected.isNull() || found == folder + expected);
    }
}

bool operator==(const SoundClassification& a, const SoundClassification& b) {
    return a.soundType == b.soundType && a.hornType == b.hornType;
}

ScratchFolder& scratch() {
    static ScratchFolder folder("classification");
    return folder;
}

} // namespace
} // namespace ws::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace ws;
    using namespace ws::fuzz;
    const std::vector<Entry> entries = entriesFromInput(data, size);
    const std::filesystem::path root = scratch().emptied();
    std::filesystem::create_directory(root / "given");
    std::filesystem::create_directory(root / "flipped");
    createEntries(root / "given", entries, false, false);
    createEntries(root / "flipped", entries, true, true);
    const QString given = QFile::decodeName((root / "given").c_str()) + QLatin1Char('/');
    const QString flipped = QFile::decodeName((root / "flipped").c_str()) + QLatin1Char('/');

    const SoundClassification kind = classifySoundAsset(given);
    WS_FUZZ_CHECK(kind == classifySoundAsset(flipped));
    WS_FUZZ_CHECK((kind.soundType == SoundTypeHorn) == (kind.hornType != HornTypeNone));
    WS_FUZZ_CHECK(bellAvailable(given) == bellAvailable(flipped));
    WS_FUZZ_CHECK(bellAvailable(given) == !modelFilePath(entries, assetfile::Bell, false).isNull());

    InputRandom random(data, size);
    const QStringList fromListing = listingNames(entries, random);
    for (const bool flip : {false, true}) {
        const QString& folder = flip ? flipped : given;
        checkFiles(folder, entries, flip, assetNames() + fromListing);
        checkFolders(folder, entries, flip, fromListing);
    }
    return 0;
}
