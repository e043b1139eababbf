// The checks on names; see NameCheck.h.
#include "NameCheck.h"

#include "ExpectedFiles.h"
#include "sim/AssetNames.h"
#include "sim/SoundAsset.h"

#include <QFileInfo>

#include <algorithm>

namespace ws::check {

namespace {

// The names as a user might mistype them: letter case, blanks, "_" and "-" ignored.
QString looseName(const QString& name) {
    QString loose;
    for (QChar c : name.toCaseFolded())
        if (c != QLatin1Char(' ') && c != QLatin1Char('_') && c != QLatin1Char('-'))
            loose += c;
    return loose;
}

int editDistance(const QString& a, const QString& b) {
    std::vector<int> row(std::size_t(b.size()) + 1);
    for (std::size_t j = 0; j < row.size(); ++j)
        row[j] = int(j);
    for (qsizetype i = 1; i <= a.size(); ++i) {
        int diagonal = row[0];
        row[0] = int(i);
        for (qsizetype j = 1; j <= b.size(); ++j) {
            const int above = row[std::size_t(j)];
            row[std::size_t(j)] = std::min({above + 1, row[std::size_t(j) - 1] + 1,
                                            diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row.back();
}

// The expected name `name` was most likely meant to be, or an empty string.
QString nearestName(const QString& name, const QStringList& candidates) {
    const QString loose = looseName(name);
    QString best;
    int bestDistance = 3; // further than two edits is another name
    for (const QString& candidate : candidates) {
        const int d = editDistance(loose, looseName(candidate));
        if (d < bestDistance) {
            bestDistance = d;
            best = candidate;
        }
    }
    return best;
}

QStringList namesOf(const std::vector<DiskEntry>& entries) {
    QStringList names;
    for (const DiskEntry& e : entries)
        names << e.name;
    return names;
}

// How well a folder's wave names fit one sound type: the names it plays as they are, and
// the others with what each was likely meant to be.
struct Fit {
    TypeId type{};
    int played = 0;
    int near = 0;
    QStringList off; // "name" or "name" (did you mean "other"?)
    int score() const { return played + near; }
};

Fit fitOf(TypeId type, const QStringList& names) {
    Fit fit;
    fit.type = type;
    QStringList expected;
    for (const Expected& e : expectedFiles(type.soundType, type.hornType, names))
        expected << e.name;
    for (const QString& name : names) {
        if (expected.contains(name, Qt::CaseInsensitive)) {
            ++fit.played;
            continue;
        }
        const QString nearest = nearestName(name, expected);
        if (nearest.isEmpty()) {
            fit.off << QStringLiteral("\"%1\"").arg(name);
        } else {
            ++fit.near;
            fit.off << QStringLiteral("\"%1\" (did you mean \"%2\"?)").arg(name, nearest);
        }
    }
    return fit;
}

Fit bestFit(const QStringList& names) {
    Fit best;
    for (const TypeId type : allTypes()) {
        const Fit fit = fitOf(type, names);
        if (fit.score() > best.score())
            best = fit;
    }
    return best;
}

// "a Diesel", "an Electric".
QString withArticle(const QString& typeName) {
    const bool vowel = !typeName.isEmpty() && QStringLiteral("AEIOU").contains(typeName[0]);
    return (vowel ? QStringLiteral("an ") : QStringLiteral("a ")) + typeName;
}

QString offList(const QStringList& off) {
    constexpr qsizetype Shown = 6;
    QString text = off.mid(0, Shown).join(QStringLiteral(", "));
    if (off.size() > Shown)
        text += QStringLiteral(" and %1 more").arg(off.size() - Shown);
    return text;
}

// "steam_loop_060rpm.wav" is never played: the rpm is read without leading zeros.
QString withoutLeadingZero(const QString& name) {
    if (!isSteamLoopName(name) || name.contains(QLatin1Char('/')))
        return QString();
    const qsizetype from = assetfile::SteamLoopPrefix.size();
    qsizetype digitsEnd = from;
    while (digitsEnd < name.size() && name[digitsEnd].isDigit())
        ++digitsEnd;
    if (digitsEnd - from < 2 || name[from] != QLatin1Char('0'))
        return QString();
    const int rpm = name.mid(from, digitsEnd - from).toInt();
    return assetfile::steamLoopRpm(rpm);
}

} // namespace

void checkNames(CheckContext& context, const std::vector<DiskEntry>& onDisk, const QString& base) {
    AssetReport& r = context.report();
    const QStringList names = namesOf(onDisk);
    QStringList expectedNames;
    QStringList missing;
    for (const FileReport& f : r.files) {
        expectedNames << f.name;
        if (f.onDisk.isEmpty())
            missing << f.name;
    }
    QStringList used;
    for (const FileReport& f : r.files)
        if (!f.onDisk.isEmpty())
            used << f.onDisk.mid(base.size());

    // A set whose files fit another type better is told once, not as one finding per file.
    const Fit ours = fitOf({r.soundType, r.hornType}, names);
    const Fit best = bestFit(names);
    const bool otherType =
        best.score() > ours.score() && best.played >= 2 && best.type.soundType != r.soundType;
    QStringList bestPlays;
    if (otherType) {
        for (const Expected& e : expectedFiles(best.type.soundType, best.type.hornType, names))
            bestPlays << e.name;
        context.error(QString(), QStringLiteral("the files fit another kind of set better"),
                      QStringLiteral("they are played as %1 set, but %2 of the %3 wave names "
                                     "are %4 set's; the names that are off: %5")
                          .arg(withArticle(r.typeName))
                          .arg(best.played)
                          .arg(names.size())
                          .arg(withArticle(typeNameOf(best.type.soundType, best.type.hornType)))
                          .arg(offList(best.off)),
                      QStringLiteral("Rename the files that are off, or remove the ones that "
                                     "make it %1 set.")
                          .arg(withArticle(r.typeName)));
    }

    QStringList renamed; // missing files that an unused file was likely meant to be
    for (const DiskEntry& entry : onDisk) {
        const QString& name = entry.name;
        if (used.contains(name))
            continue;
        FileReport unused;
        unused.name = name;
        unused.onDisk = entry.native.empty() ? base + name : displayName(entry.native);
        unused.native = entry.native;
        unused.need = Need::Unused;
        r.files.push_back(unused);
        if (otherType && (bestPlays.contains(name, Qt::CaseInsensitive) ||
                          !nearestName(name, bestPlays).isEmpty()))
            continue;
        const QString played =
            QStringLiteral("is not played by %1 set").arg(withArticle(r.typeName));
        if (r.soundType == SoundTypeSteam2) {
            if (const QString meant = withoutLeadingZero(name); !meant.isEmpty()) {
                context.warn(name, played,
                             QStringLiteral("the rpm in a loop's name is read without leading "
                                            "zeros"),
                             QStringLiteral("Rename it to \"%1\".").arg(meant));
                continue;
            }
        }
        if (const QString meant = nearestName(name, missing); !meant.isEmpty()) {
            renamed << meant;
            context.warn(
                name, QStringLiteral("is misnamed"),
                QStringLiteral("the player looks for \"%1\" and does not find it").arg(meant),
                QStringLiteral("Rename it to \"%1\".").arg(meant));
            continue;
        }
        QString advice = QStringLiteral("Remove it, or rename it to the file it is meant to be.");
        if (const QString meant = nearestName(name, expectedNames); !meant.isEmpty())
            advice = QStringLiteral("Did you mean \"%1\"? That file is there already.").arg(meant);
        else if (isSteamLoopName(QFileInfo(name).fileName()) && r.soundType == SoundTypeSteam2)
            advice = QStringLiteral("A loop is named \"steam_loop_<rpm>rpm.wav\", the rpm "
                                    "written without a leading zero.");
        context.warn(name, played, QString(), advice);
    }

    for (const FileReport& f : r.files) {
        if (!f.onDisk.isEmpty() || renamed.contains(f.name))
            continue;
        if (f.need == Need::Required)
            context.error(f.name, QStringLiteral("is missing"),
                          QStringLiteral("the set is not recognised without it"),
                          QStringLiteral("Add it."));
        else if (f.need == Need::LookedFor)
            context.warn(f.name, QStringLiteral("is missing"),
                         QStringLiteral("the player looks for it and plays nothing there"),
                         QStringLiteral("Add it, or rename the file meant to be it."));
    }
}

void reportUnrecognised(CheckContext& context, const std::vector<DiskEntry>& onDisk) {
    const QStringList names = namesOf(onDisk);
    const Fit best = bestFit(names);
    QString detail;
    QString advice = QStringLiteral("Name the files as one kind of set needs them.");
    if (best.score() > 0 && best.near > 0) {
        detail = QStringLiteral("its names come closest to %1 set; the names that are off: %2")
                     .arg(withArticle(typeNameOf(best.type.soundType, best.type.hornType)))
                     .arg(offList(best.off));
        advice = QStringLiteral("Rename the files that are off.");
    }
    context.error(QString(), QStringLiteral("the folder meets no naming rule of a sound set"),
                  detail, advice);
}

} // namespace ws::check
