// The asset checker: the folder classified as the player classifies it, then each part of
// the check in turn (names, files, loudness across the set, config.txt); see AssetCheck.h.
#include "AssetCheck.h"

#include "AssetFolder.h"
#include "CheckContext.h"
#include "ConfigCheck.h"
#include "ExpectedFiles.h"
#include "FileCheck.h"
#include "LoudnessCheck.h"
#include "NameCheck.h"
#include "SeamMeasure.h"
#include "sim/SoundAsset.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace ws::check {

namespace {

QStringList limits() {
    return {
        QString::fromStdString(seamLimitText()),
        QStringLiteral("a loop leaves a gap with more than %1 ms of silence at an end; silence "
                       "is at most %2 of full scale, %3 for 8-bit files")
            .arg(LoopGapMs)
            .arg(SilenceLevel)
            .arg(pcmSilenceLevel(8), 0, 'f', 4),
        QStringLiteral("a loop's last 400 ms are within %1 LU of its first")
            .arg(lu(LoopFadeLimitLu)),
        QStringLiteral("a DC offset above %1 of full scale is reported").arg(DcOffsetLimit),
        QStringLiteral("clipping is a run of %1 or more samples at full scale").arg(ClipRunSamples),
        QStringLiteral("neighbouring loops differ by at most %1 LU, measured as heard through "
                       "two speakers")
            .arg(lu(NotchStepLimitLu)),
        QStringLiteral("a transition's last 400 ms are within %1 LU of the loop that follows")
            .arg(lu(JoinStepLimitLu)),
        QStringLiteral("configured ramp durations match their files within %1 s")
            .arg(RampToleranceSeconds),
    };
}

} // namespace

int AssetReport::errors() const {
    return int(std::count_if(findings.begin(), findings.end(),
                             [](const Finding& f) { return f.severity == Severity::Error; }));
}

int AssetReport::warnings() const {
    return int(findings.size()) - errors();
}

int AssetReport::exitCode() const {
    return errors() > 0 ? 2 : warnings() > 0 ? 1 : 0;
}

AssetReport checkAssetFolder(const QString& folder) {
    return checkAssetFolder(std::filesystem::path(QFile::encodeName(folder).toStdString()));
}

AssetReport checkAssetFolder(const std::filesystem::path& folder) {
    AssetReport report;
    const AssetFolder disk(folder);
    report.folder = QDir::toNativeSeparators(disk.display());
    report.thresholds = limits();
    CheckContext context(report);
    if (!disk.isFolder()) {
        context.error(QString(), QStringLiteral("\"%1\" is not a folder").arg(report.folder),
                      QString(),
                      QStringLiteral("Give the asset folder that holds the wave files."));
        return report;
    }
    const QString base = disk.base();
    const std::vector<DiskEntry> onDisk = disk.waveFiles();
    const SoundClassification type = classifySoundAsset(base);
    report.soundType = type.soundType;
    report.hornType = type.hornType;
    report.typeName = typeNameOf(type.soundType, type.hornType);
    report.rule = ruleOf(type.soundType, type.hornType);

    if (type.soundType == SoundTypeNone) {
        reportUnrecognised(context, onDisk);
        for (const DiskEntry& entry : onDisk) {
            FileReport f;
            f.name = entry.name;
            f.onDisk = displayName(entry.native);
            f.native = entry.native;
            f.need = Need::Unused;
            checkFile(context, f);
            report.files.push_back(std::move(f));
        }
        return report;
    }

    QStringList names;
    for (const DiskEntry& entry : onDisk)
        names << entry.name;
    for (const Expected& e : expectedFiles(type.soundType, type.hornType, names)) {
        FileReport f;
        f.name = e.name;
        f.need = e.need;
        f.loop = e.loop;
        f.onDisk = assetFilePath(base, e.name);
        report.files.push_back(f);
    }
    checkNames(context, onDisk, base);
    for (FileReport& f : report.files)
        if (!f.onDisk.isEmpty())
            checkFile(context, f);
    checkLoudness(context);

    const QString config = assetFilePath(base, QStringLiteral("config.txt"));
    if (!config.isNull())
        checkConfig(context, QFileInfo(config).fileName(), QFile::encodeName(config).toStdString());
    return report;
}

} // namespace ws::check
