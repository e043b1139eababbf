// Loudness across a set; see LoudnessCheck.h.
#include "LoudnessCheck.h"

#include "sim/AssetNames.h"
#include "sim/SoundAsset.h"

#include <QFileInfo>

#include <cmath>
#include <optional>
#include <vector>

namespace ws::check {

namespace {

const QString LadderCause = QStringLiteral("is out of step in loudness with its neighbours");
const QString JoinCause = QStringLiteral("ends at another level than the loop that follows it");

std::optional<double> loudnessOf(const CheckContext& context, const QString& name) {
    const FileReport* f = context.present(name);
    if (!f || f->measure.lufs == NoLoudness)
        return std::nullopt;
    return f->measure.lufs;
}

QString louder(double step) {
    return step > 0 ? QStringLiteral("louder") : QStringLiteral("quieter");
}

// The loops in order. A step between neighbours beyond the limit is blamed on the loop that
// differs from both of its neighbours (or, at an end, from the one neighbour that agrees
// with the next); a step no single loop explains is a jump in the ladder itself, told on
// the higher loop. Returns the loops blamed.
QStringList checkLadder(CheckContext& context, const QStringList& loops) {
    const std::size_t n = std::size_t(loops.size());
    std::vector<std::optional<double>> level(n);
    for (std::size_t i = 0; i < n; ++i)
        level[i] = loudnessOf(context, loops[qsizetype(i)]);
    // step[i] is from loop i to loop i + 1.
    std::vector<std::optional<double>> step(n > 0 ? n - 1 : 0);
    for (std::size_t i = 0; i + 1 < n; ++i)
        if (level[i] && level[i + 1])
            step[i] = *level[i + 1] - *level[i];
    const auto over = [&](std::ptrdiff_t i) {
        return i >= 0 && std::size_t(i) < step.size() && step[std::size_t(i)] &&
               std::abs(*step[std::size_t(i)]) > NotchStepLimitLu;
    };
    const auto measured = [&](std::ptrdiff_t i) {
        return i >= 0 && std::size_t(i) < n && level[std::size_t(i)].has_value();
    };
    std::vector<bool> explained(step.size(), false);
    QStringList blamed;
    for (std::ptrdiff_t i = 0; i < std::ptrdiff_t(n); ++i) {
        if (!measured(i))
            continue;
        const bool left = over(i - 1);
        const bool right = over(i);
        bool blame = false;
        if (left && right) {
            // A peak or a dip: both steps point away from it.
            blame = (*step[std::size_t(i - 1)] > 0) != (*step[std::size_t(i)] > 0);
        } else if (right && !measured(i - 1)) {
            // The first of a run: its neighbour agrees with the next one.
            blame = measured(i + 2) && !over(i + 1);
        } else if (left && !measured(i + 1)) {
            blame = measured(i - 2) && !over(i - 2);
        }
        if (!blame)
            continue;
        const double lvl = *level[std::size_t(i)];
        QStringList neighbours;
        double least = 1e9;
        for (const std::ptrdiff_t j : {i - 1, i + 1}) {
            if (!measured(j))
                continue;
            neighbours << QStringLiteral("\"%1\"").arg(loops[qsizetype(j)]);
            least = std::min(least, std::abs(lvl - *level[std::size_t(j)]));
        }
        const double towards =
            measured(i - 1) ? lvl - *level[std::size_t(i - 1)] : lvl - *level[std::size_t(i + 1)];
        context.warn(
            loops[qsizetype(i)], LadderCause,
            QStringLiteral("it is %1 LU or more %2 than %3: a jump heard at every "
                           "change to it")
                .arg(lu(least), louder(towards), neighbours.join(QStringLiteral(" and "))),
            QStringLiteral("Bring it within %1 LU of its neighbours.").arg(lu(NotchStepLimitLu)));
        blamed << loops[qsizetype(i)];
        if (i > 0)
            explained[std::size_t(i - 1)] = true;
        if (std::size_t(i) < explained.size())
            explained[std::size_t(i)] = true;
    }
    for (std::size_t i = 0; i < step.size(); ++i) {
        if (!over(std::ptrdiff_t(i)) || explained[i])
            continue;
        context.warn(loops[qsizetype(i + 1)], LadderCause,
                     QStringLiteral("it is %1 LU %2 than \"%3\": a jump heard at every change "
                                    "between them")
                         .arg(lu(std::abs(*step[i])), louder(*step[i]), loops[qsizetype(i)]),
                     QStringLiteral("Bring the neighbouring loops within %1 LU of each other.")
                         .arg(lu(NotchStepLimitLu)));
    }
    return blamed;
}

void checkJoin(CheckContext& context, const QString& transition, const QString& next,
               const QStringList& blamed) {
    const FileReport* t = context.present(transition);
    const FileReport* n = context.present(next);
    if (!t || !n || blamed.contains(next) || t->measure.tailLufs == NoLoudness ||
        n->measure.lufs == NoLoudness)
        return;
    const double step = n->measure.lufs - t->measure.tailLufs;
    if (std::abs(step) > JoinStepLimitLu)
        context.warn(transition, JoinCause,
                     QStringLiteral("its last 400 ms are %1 LU %2 than \"%3\", which follows it")
                         .arg(lu(std::abs(step)), louder(-step), next),
                     QStringLiteral("Match the level of its last moments to the loop it hands "
                                    "over to."));
}

void addBar(CheckContext& context, const QString& name) {
    AssetReport& r = context.report();
    LoudnessBar bar;
    bar.label = QFileInfo(name).completeBaseName();
    bar.file = name;
    for (const FileReport& f : r.files)
        if (f.name == name)
            bar.missing = f.onDisk.isEmpty();
    if (const auto level = loudnessOf(context, name))
        bar.lufs = *level;
    bar.failing = context.hasFinding(name, LadderCause) || context.hasFinding(name, JoinCause);
    r.loudness.push_back(bar);
}

} // namespace

void checkLoudness(CheckContext& context) {
    const AssetReport& r = context.report();
    if (r.soundType == SoundTypeDiesel) {
        QStringList idles;
        for (int notch = 1; notch <= 8; ++notch)
            idles << assetfile::idle(notch);
        const QStringList blamed = checkLadder(context, idles);
        for (int notch = 1; notch <= 7; ++notch)
            checkJoin(context, assetfile::up(notch), assetfile::idle(notch + 1), blamed);
        for (int notch = 8; notch >= 2; --notch)
            checkJoin(context, assetfile::down(notch), assetfile::idle(notch - 1), blamed);
        for (int notch = 1; notch <= 8; ++notch) {
            addBar(context, assetfile::idle(notch));
            if (notch < 8)
                addBar(context, assetfile::up(notch));
        }
        for (int notch = 8; notch >= 2; --notch)
            addBar(context, assetfile::down(notch));
    } else if (r.soundType == SoundTypeSteam2) {
        QStringList loops;
        for (const FileReport& f : r.files)
            if (f.loop && f.need != Need::Unused && f.name.startsWith(assetfile::SteamLoopPrefix))
                loops << f.name;
        checkLadder(context, loops);
        for (const QString& name : loops)
            addBar(context, name);
    }
}

} // namespace ws::check
