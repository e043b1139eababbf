// The naming rules of sound assets and a case-insensitive file search. Directory entries
// are taken in name order with letter case ignored, so that "the first entry found" is the
// same on every run and on every file system.
#include "SoundAsset.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>
#include <algorithm>
#include <array>
#include <vector>

namespace ws {

namespace {

struct Rule {
    std::array<QLatin1String, 3> files;
    std::size_t count;
    SoundClassification result;
};

// Tried in this order; within a rule the files are tested in order, and the first rule whose
// files all exist decides.
constexpr std::array<Rule, 7> rules{{
    {{assetfile::Idle1, assetfile::Up1To2, assetfile::Down2To1},
     3,
     {SoundTypeDiesel, HornTypeNone}},
    {{assetfile::PistonStroke1, assetfile::SteamLoop, assetfile::LocoStationaryFast},
     3,
     {SoundTypeSteam1, HornTypeNone}},
    {{assetfile::PistonStroke1, assetfile::SteamLoopPattern, assetfile::LocoStationaryFast},
     3,
     {SoundTypeSteam2, HornTypeNone}},
    {{assetfile::EngineLoop}, 1, {SoundTypeElectric, HornTypeNone}},
    {{assetfile::HornStart, assetfile::HornLoop}, 2, {SoundTypeHorn, HornType2Part}},
    {{assetfile::Horn3Start, assetfile::Horn3Idle, assetfile::Horn3Stop},
     3,
     {SoundTypeHorn, HornType3Part}},
    {{assetfile::Horn}, 1, {SoundTypeHorn, HornType1Part}},
}};

bool hasWildcard(const QString& component) {
    return component.contains(QLatin1Char('*')) || component.contains(QLatin1Char('?'));
}

// Windows wildcard matching on case-folded text: "*" any run of characters, "?" one.
bool wildcardMatch(QStringView pattern, QStringView name) {
    qsizetype p = 0;
    qsizetype n = 0;
    qsizetype starP = -1;
    qsizetype starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == QLatin1Char('*')) {
            starP = p++;
            starN = n;
        } else if (p < pattern.size() &&
                   (pattern[p] == QLatin1Char('?') || pattern[p] == name[n])) {
            ++p;
            ++n;
        } else if (starP >= 0) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == QLatin1Char('*'))
        ++p;
    return p == pattern.size();
}

// The entries of `folder` whose names match `component` (a plain name or a pattern),
// first in name order with letter case ignored; ties (names that differ only in case)
// are broken by exact comparison so the order is fixed.
std::vector<QFileInfo> matchingEntries(const QString& folder, const QString& component) {
    const QDir dir(folder);
    const QFileInfoList entries = dir.entryInfoList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::NoSort);
    const QString folded = component.toCaseFolded();
    const bool pattern = hasWildcard(component);
    std::vector<QFileInfo> found;
    for (const QFileInfo& entry : entries) {
        const QString name = entry.fileName().toCaseFolded();
        if (pattern ? wildcardMatch(folded, name) : name == folded)
            found.push_back(entry);
    }
    std::sort(found.begin(), found.end(), [](const QFileInfo& a, const QFileInfo& b) {
        const int c = a.fileName().compare(b.fileName(), Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a.fileName() < b.fileName();
    });
    return found;
}

// The path of the subfolder `component` of `folder`, found without regard to letter case,
// or a null string.
QString findSubfolder(const QString& folder, const QString& component) {
    const QFileInfo exact(folder + component);
    if (exact.isDir())
        return exact.filePath() + QLatin1Char('/');
    for (const QFileInfo& entry : matchingEntries(folder, component))
        if (entry.isDir())
            return entry.filePath() + QLatin1Char('/');
    return QString();
}

QStringList nameComponents(const QString& name) {
#ifdef Q_OS_WIN
    QString normal = name;
    normal.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return normal.split(QLatin1Char('/'));
#else
    return name.split(QLatin1Char('/'));
#endif
}

} // namespace

namespace {

// Walks from `folder` down the first `count` of `components`, each matched without regard
// to letter case; the folder reached, ending in "/", or a null string.
QString descend(const QString& folder, const QStringList& components, qsizetype count) {
    if (folder.isEmpty())
        return QString();
    QString current = folder;
    if (!current.endsWith(QLatin1Char('/')) && !current.endsWith(QDir::separator()))
        current += QLatin1Char('/');
    for (qsizetype i = 0; i < count; ++i) {
        const QString& component = components[i];
        if (component.isEmpty() || hasWildcard(component))
            return QString();
        current = findSubfolder(current, component);
        if (current.isNull())
            return QString();
    }
    return current;
}

} // namespace

QString assetFolderPath(const QString& folder, const QString& name) {
    if (name.isEmpty())
        return QString();
    const QStringList components = nameComponents(name);
    QString found = descend(folder, components, components.size());
    if (!found.isNull())
        found.chop(1);
    return found;
}

QString assetFilePath(const QString& folder, const QString& name) {
    if (name.isEmpty())
        return QString();
    const QStringList components = nameComponents(name);
    const QString current = descend(folder, components, components.size() - 1);
    if (current.isNull())
        return QString();

    const QString& last = components.back();
    if (last.isEmpty())
        return QString();
    if (!hasWildcard(last)) {
        // The usual case, a name spelled as on disk, needs no listing.
        const QFileInfo exact(current + last);
        if (exact.exists())
            return exact.isDir() ? QString() : current + last;
    }
    const std::vector<QFileInfo> found = matchingEntries(current, last);
    if (found.empty() || found.front().isDir())
        return QString();
    return found.front().filePath();
}

bool isSteamLoopName(const QString& name) {
    const QLatin1String prefix = assetfile::SteamLoopPrefix;
    if (name.size() < prefix.size())
        return false;
    for (qsizetype i = 0; i < prefix.size(); ++i) {
        char16_t c = name[i].unicode();
        if (c >= u'A' && c <= u'Z')
            c = static_cast<char16_t>(c - u'A' + u'a');
        if (c != static_cast<char16_t>(prefix[i].unicode()))
            return false;
    }
    return true;
}

int steamLoopRpmOf(const QString& name) {
    // Only the three characters after the prefix carry the number; the speed control goes
    // up to 300.
    constexpr qsizetype RpmFrom = 11;
    constexpr qsizetype RpmDigits = 3;
    constexpr int RpmMax = 300;
    QString digits;
    for (qsizetype i = RpmFrom; i < RpmFrom + RpmDigits && i < name.size(); ++i)
        if (name[i] >= QLatin1Char('0') && name[i] <= QLatin1Char('9'))
            digits += name[i];
    bool ok = false;
    const int rpm = digits.toInt(&ok);
    if (!ok || rpm > RpmMax || QString::number(rpm) != digits)
        return -1;
    return rpm;
}

bool assetFileExists(const QString& folder, const QString& name) {
    return !assetFilePath(folder, name).isNull();
}

SoundClassification classifySoundAsset(const QString& folder) {
    for (const Rule& r : rules) {
        const bool all =
            std::all_of(r.files.begin(), r.files.begin() + r.count,
                        [&](QLatin1String file) { return assetFileExists(folder, file); });
        if (all)
            return r.result;
    }
    return {SoundTypeNone, HornTypeNone};
}

bool bellAvailable(const QString& folder) {
    return assetFileExists(folder, assetfile::Bell);
}

} // namespace ws
