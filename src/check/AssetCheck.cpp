// The asset checker; see AssetCheck.h.
#include "AssetCheck.h"

#include "ConfigTxt.h"
#include "sim/AssetNames.h"
#include "sim/SoundAsset.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cmath>

namespace ws::check {

namespace {

struct Expected {
    QString name;
    Need need;
    bool loop;
};

QString withSeparator(const QString& folder) {
    return folder.endsWith(QLatin1Char('/')) || folder.endsWith(QDir::separator())
               ? folder
               : folder + QLatin1Char('/');
}

// The files the player looks for in a set of the given type, in the order it uses them.
std::vector<Expected> expectedFiles(int soundType, int hornType, const QString& folder) {
    namespace af = assetfile;
    std::vector<Expected> files;
    switch (soundType) {
    case SoundTypeElectric:
        files.push_back({af::EngineLoop, Need::Required, true});
        break;
    case SoundTypeDiesel:
        files.push_back({af::Start, Need::Optional, false});
        for (int notch = 1; notch <= 8; ++notch)
            files.push_back({af::idle(notch), notch == 1 ? Need::Required : Need::LookedFor, true});
        for (int notch = 1; notch <= 7; ++notch)
            files.push_back({af::up(notch), notch == 1 ? Need::Required : Need::LookedFor, false});
        for (int notch = 2; notch <= 8; ++notch)
            files.push_back(
                {af::down(notch), notch == 2 ? Need::Required : Need::LookedFor, false});
        files.push_back({af::Stop, Need::Optional, false});
        break;
    case SoundTypeSteam1:
    case SoundTypeSteam2:
        for (int beat = 1; beat <= 4; ++beat)
            files.push_back(
                {af::pistonStroke(beat), beat == 1 ? Need::Required : Need::LookedFor, false});
        if (soundType == SoundTypeSteam1) {
            files.push_back({af::SteamLoop, Need::Required, true});
        } else {
            // Every loop the speed control can reach, under the name it is played by.
            std::vector<int> rpms;
            for (const QString& name :
                 QDir(folder).entryList({QStringLiteral("*.wav")}, QDir::Files, QDir::Name)) {
                const int rpm = isSteamLoopName(name) ? steamLoopRpmOf(name) : -1;
                if (rpm >= 0 && std::find(rpms.begin(), rpms.end(), rpm) == rpms.end())
                    rpms.push_back(rpm);
            }
            std::sort(rpms.begin(), rpms.end());
            for (int rpm : rpms)
                files.push_back({af::steamLoopRpm(rpm), Need::LookedFor, true});
        }
        files.push_back({af::SmokeStackHiss, Need::LookedFor, true});
        files.push_back({af::LocoStationaryFast, Need::Required, true});
        files.push_back({af::LocoStationaryMed, Need::LookedFor, true});
        files.push_back({af::LocoStationarySlow, Need::LookedFor, true});
        break;
    case SoundTypeHorn:
        if (hornType == HornType1Part) {
            files.push_back({af::Horn, Need::Required, false});
        } else if (hornType == HornType2Part) {
            files.push_back({af::HornStart, Need::Required, false});
            files.push_back({af::HornLoop, Need::Required, true});
        } else {
            files.push_back({af::Horn3Start, Need::Required, false});
            files.push_back({af::Horn3Idle, Need::Required, true});
            files.push_back({af::Horn3Stop, Need::Required, false});
        }
        files.push_back({af::Bell, Need::Optional, true});
        break;
    default:
        break;
    }
    return files;
}

QString ruleOf(int soundType, int hornType) {
    switch (soundType) {
    case SoundTypeElectric:
        return QStringLiteral("\"engine_loop.wav\" is present");
    case SoundTypeDiesel:
        return QStringLiteral(
            "\"idle 1.wav\", \"up 1 - 2.wav\" and \"down 2 - 1.wav\" are present");
    case SoundTypeSteam1:
        return QStringLiteral("\"piston_stroke1.wav\", \"steam_loop.wav\" and "
                              "\"loco_stationary_fast.wav\" are present");
    case SoundTypeSteam2:
        return QStringLiteral("\"piston_stroke1.wav\", a \"steam_loop_*.wav\" and "
                              "\"loco_stationary_fast.wav\" are present");
    case SoundTypeHorn:
        if (hornType == HornType2Part)
            return QStringLiteral("\"horn_start.wav\" and \"horn_loop.wav\" are present");
        if (hornType == HornType3Part)
            return QStringLiteral("\"horn/start.wav\", \"horn/idle 1.wav\" and \"horn/stop.wav\" "
                                  "are present");
        return QStringLiteral("\"horn.wav\" is present");
    default:
        return QString();
    }
}

QString typeNameOf(int soundType, int hornType) {
    if (soundType < 0 || soundType >= int(SoundTypeCaptions.size()))
        return QString();
    QString name = SoundTypeCaptions[std::size_t(soundType)];
    if (soundType == SoundTypeHorn && hornType >= 0 && hornType < int(HornTypeCaptions.size()))
        name += QStringLiteral(" (%1)").arg(HornTypeCaptions[std::size_t(hornType)]);
    return name;
}

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

// Every wave file of the folder and of its "horn" subfolder, relative to the folder.
QStringList waveFilesIn(const QString& folder) {
    QStringList names;
    const QDir dir(folder);
    for (const QString& name :
         dir.entryList({QStringLiteral("*.wav")}, QDir::Files | QDir::Hidden, QDir::Name))
        names << name;
    for (const QString& sub : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        if (sub.compare(QStringLiteral("horn"), Qt::CaseInsensitive) != 0)
            continue;
        for (const QString& name :
             QDir(dir.filePath(sub))
                 .entryList({QStringLiteral("*.wav")}, QDir::Files | QDir::Hidden, QDir::Name))
            names << sub + QLatin1Char('/') + name;
    }
    return names;
}

QString lu(double value) {
    return QString::number(value, 'f', 1);
}

class Checker {
public:
    explicit Checker(AssetReport& report) : r_(report) {}

    void warn(const QString& file, const QString& problem, const QString& advice) {
        add(Severity::Warning, file, problem, advice);
    }
    void error(const QString& file, const QString& problem, const QString& advice) {
        add(Severity::Error, file, problem, advice);
    }
    // The cause is what comes before the first ": " of the problem.
    void add(Severity severity, const QString& file, const QString& problem,
             const QString& advice) {
        const qsizetype colon = problem.indexOf(QStringLiteral(": "));
        r_.findings.push_back({severity, file, problem, advice,
                               colon < 0 ? problem : problem.left(colon),
                               colon < 0 ? QString() : problem.mid(colon + 2)});
    }

    void presence(const QString& base, const QStringList& onDisk) {
        QStringList expectedNames;
        for (const FileReport& f : r_.files)
            expectedNames << f.name;
        QStringList missing;
        for (const FileReport& f : r_.files)
            if (f.onDisk.isEmpty())
                missing << f.name;
        for (const FileReport& f : r_.files) {
            if (!f.onDisk.isEmpty())
                continue;
            if (f.need == Need::Required)
                error(f.name,
                      QStringLiteral("is missing, and the set is not recognised without it"),
                      QStringLiteral("Add it."));
            else if (f.need == Need::LookedFor)
                warn(f.name,
                     QStringLiteral("is missing: the player looks for it and plays nothing there"),
                     QStringLiteral("Add it, or rename the file meant to be it."));
        }
        QStringList used;
        for (const FileReport& f : r_.files)
            if (!f.onDisk.isEmpty())
                used << f.onDisk.mid(base.size());
        for (const QString& name : onDisk) {
            if (used.contains(name))
                continue;
            FileReport unused;
            unused.name = name;
            unused.onDisk = base + name;
            unused.need = Need::Unused;
            r_.files.push_back(unused);
            QString advice =
                QStringLiteral("Remove it, or rename it to the file it is meant to be.");
            // A file that is missing is the likeliest meaning; a second copy of a present
            // one comes next.
            QString nearest = nearestName(name, missing);
            if (nearest.isEmpty())
                nearest = nearestName(name, expectedNames);
            if (!nearest.isEmpty())
                advice = QStringLiteral("Did you mean \"%1\"?").arg(nearest);
            else if (isSteamLoopName(QFileInfo(name).fileName()) && r_.soundType == SoundTypeSteam2)
                advice = QStringLiteral("A loop is named \"steam_loop_<rpm>rpm.wav\", the rpm "
                                        "written without a leading zero.");
            warn(name, QStringLiteral("is not played by a %1 set").arg(r_.typeName), advice);
        }
    }

    void format(FileReport& f) {
        f.measure = measureFile(QFile::encodeName(f.onDisk).toStdString());
        const AudioMeasure& m = f.measure;
        if (f.need == Need::Unused)
            return; // its own warning says it is not played
        if (!m.readable) {
            error(
                f.name,
                QStringLiteral("cannot be decoded: %1").arg(QString::fromStdString(m.error)),
                QStringLiteral("Save it again as a PCM wave file (8 or 16 bits, mono or stereo)."));
            return;
        }
        if (!m.playable)
            error(f.name,
                  QStringLiteral("is %1, %2 channels, %3 Hz, which the player cannot play")
                      .arg(QString::fromStdString(m.encoding))
                      .arg(m.channels)
                      .arg(m.rate),
                  QStringLiteral("Save it as an 8 or 16-bit wave file, mono or stereo."));
        if (m.clippedRuns > 0)
            warn(f.name,
                 QStringLiteral("clips: %1 runs of %2 or more samples at full scale")
                     .arg(m.clippedRuns)
                     .arg(ClipRunSamples),
                 QStringLiteral("Lower its level before it is saved."));
        if (f.loop)
            loopChecks(f);
    }

    void loopChecks(const FileReport& f) {
        const AudioMeasure& m = f.measure;
        if (m.frames < 2)
            return;
        if (m.seamStep > SeamStepFloor && m.seamStep > SeamClickFactor * m.typicalStep)
            warn(f.name,
                 QStringLiteral("clicks at every repeat: the step across the loop's seam is %1 of "
                                "full scale, %2 times the file's typical step")
                     .arg(m.seamStep, 0, 'f', 3)
                     .arg(m.typicalStep > 0 ? m.seamStep / m.typicalStep : 0.0, 0, 'f', 1),
                 QStringLiteral("Cut the loop where the wave crosses zero going the same way at "
                                "both ends, or cross-fade its ends."));
        if (m.leadingSilenceMs > LoopGapMs || m.trailingSilenceMs > LoopGapMs)
            warn(f.name,
                 QStringLiteral("leaves a gap at every repeat: %1 ms of silence at its start, %2 "
                                "ms at its end")
                     .arg(m.leadingSilenceMs, 0, 'f', 0)
                     .arg(m.trailingSilenceMs, 0, 'f', 0),
                 QStringLiteral("Trim the silence from both ends of the loop."));
        if (std::abs(m.dcOffset) > DcOffsetLimit)
            warn(f.name,
                 QStringLiteral("has a DC offset of %1 of full scale").arg(m.dcOffset, 0, 'f', 3),
                 QStringLiteral("Remove it with a high-pass filter (DC removal) in the editor."));
    }

    const FileReport* present(const QString& name) const {
        for (const FileReport& f : r_.files)
            if (f.name == name && !f.onDisk.isEmpty() && f.measure.readable)
                return &f;
        return nullptr;
    }

    // Neighbouring loops of a chain, and the bars of the chart.
    void loudnessChain(const QStringList& loops) {
        const FileReport* previous = nullptr;
        for (const QString& name : loops) {
            const FileReport* f = present(name);
            if (!f || f->measure.lufs == NoLoudness) {
                previous = nullptr;
                continue;
            }
            if (previous) {
                const double step = f->measure.lufs - previous->measure.lufs;
                if (std::abs(step) > NotchStepLimitLu)
                    warn(name,
                         QStringLiteral("is %1 LU %2 than \"%3\": a jump heard at every change "
                                        "between them")
                             .arg(lu(std::abs(step)),
                                  step > 0 ? QStringLiteral("louder") : QStringLiteral("quieter"),
                                  previous->name),
                         QStringLiteral("Bring the neighbouring loops within %1 LU of each other.")
                             .arg(lu(NotchStepLimitLu)));
            }
            previous = f;
        }
    }

    void joins(const QString& transition, const QString& next) {
        const FileReport* t = present(transition);
        const FileReport* n = present(next);
        if (!t || !n || t->measure.tailLufs == NoLoudness || n->measure.lufs == NoLoudness)
            return;
        const double step = n->measure.lufs - t->measure.tailLufs;
        if (std::abs(step) > JoinStepLimitLu)
            warn(transition,
                 QStringLiteral("ends %1 LU %2 than \"%3\", which follows it: a jump heard at the "
                                "notch change")
                     .arg(lu(std::abs(step)),
                          step > 0 ? QStringLiteral("quieter") : QStringLiteral("louder"), next),
                 QStringLiteral(
                     "Match the level of its last moments to the loop it hands over to."));
    }

    void bar(const QString& name) {
        if (const FileReport* f = present(name); f && f->measure.lufs != NoLoudness)
            r_.loudness.push_back({QFileInfo(name).completeBaseName(), name, f->measure.lufs});
    }

    void config(const QString& path) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            warn(QFileInfo(path).fileName(),
                 QStringLiteral("cannot be read: %1").arg(file.errorString()), QString());
            return;
        }
        const ConfigReadResult read = parseConfigTxt(file.readAll());
        const QString name = QFileInfo(path).fileName();
        if (!read.config) {
            const ConfigParseError e = read.error.value_or(ConfigParseError{});
            warn(name, QStringLiteral("cannot be read past line %1: %2").arg(e.line).arg(e.message),
                 QStringLiteral("Correct it in a text editor; the checker does not change it."));
            return;
        }
        const EngineSoundConfig& c = *read.config;
        if (r_.soundType == SoundTypeDiesel && c.isRamping.value_or(false)) {
            QStringList missing;
            for (const FileReport& f : r_.files)
                if (f.onDisk.isEmpty() && (f.name.startsWith(QStringLiteral("up ")) ||
                                           f.name.startsWith(QStringLiteral("down "))))
                    missing << f.name;
            if (!missing.isEmpty())
                warn(name,
                     QStringLiteral("says the set ramps (isramping 1), but its transitions %1 are "
                                    "missing")
                         .arg(missing.join(QStringLiteral(", "))),
                     QStringLiteral("Add the transition files, or set isramping 0."));
        }
        if ((r_.soundType == SoundTypeSteam1 || r_.soundType == SoundTypeSteam2) &&
            c.numberSlowSounds) {
            int strokes = 0;
            for (int beat = 1; beat <= 4; ++beat)
                strokes += present(assetfile::pistonStroke(beat)) ? 1 : 0;
            if (*c.numberSlowSounds != strokes)
                warn(name,
                     QStringLiteral("gives number-slow-sounds %1, but the folder holds %2 "
                                    "piston_stroke files")
                         .arg(*c.numberSlowSounds)
                         .arg(strokes),
                     QStringLiteral("Make the number match the piston_stroke files."));
        }
        if (r_.soundType == SoundTypeDiesel) {
            ramps(name, QStringLiteral("engine-sound-ramp-up-durations"), c.rampUpDurations, true);
            ramps(name, QStringLiteral("engine-sound-ramp-down-durations"), c.rampDownDurations,
                  false);
        }
    }

    // Entry n (from 1) of the up list belongs to "up n - n+1.wav", of the down list to
    // "down n+1 - n.wav"; entry 0 is the idle level's and has no file.
    void ramps(const QString& config, const QString& tag, const std::vector<double>& seconds,
               bool up) {
        for (std::size_t n = 1; n < seconds.size() && n <= 7; ++n) {
            const QString file = up ? assetfile::up(int(n)) : assetfile::down(int(n) + 1);
            const FileReport* f = present(file);
            if (!f)
                continue;
            if (std::abs(f->measure.seconds - seconds[n]) > RampToleranceSeconds)
                warn(file,
                     QStringLiteral("lasts %1 s, but %2 gives %3 s for it in %4")
                         .arg(f->measure.seconds, 0, 'f', 2)
                         .arg(config)
                         .arg(seconds[n], 0, 'f', 2)
                         .arg(tag),
                     QStringLiteral("Make the file and the configured duration agree."));
        }
    }

private:
    AssetReport& r_;
};

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
    AssetReport report;
    report.folder = QDir::toNativeSeparators(QDir::cleanPath(QFileInfo(folder).absoluteFilePath()));
    report.thresholds = {
        QStringLiteral("a loop's seam clicks when its step exceeds %1 of full scale and %2 times "
                       "the file's typical step")
            .arg(SeamStepFloor)
            .arg(SeamClickFactor),
        QStringLiteral("a loop leaves a gap with more than %1 ms below %2 of full scale at an end")
            .arg(LoopGapMs)
            .arg(SilenceLevel),
        QStringLiteral("a DC offset above %1 of full scale is reported").arg(DcOffsetLimit),
        QStringLiteral("clipping is a run of %1 or more samples at full scale").arg(ClipRunSamples),
        QStringLiteral("neighbouring loops differ by at most %1 LU").arg(lu(NotchStepLimitLu)),
        QStringLiteral("a transition's last 400 ms are within %1 LU of the loop that follows")
            .arg(lu(JoinStepLimitLu)),
        QStringLiteral("configured ramp durations match their files within %1 s")
            .arg(RampToleranceSeconds),
    };
    Checker checker(report);
    if (!QFileInfo(folder).isDir()) {
        checker.error(QString(), QStringLiteral("\"%1\" is not a folder").arg(report.folder),
                      QStringLiteral("Give the asset folder that holds the wave files."));
        return report;
    }
    const QString base = withSeparator(QFileInfo(folder).absoluteFilePath());
    const SoundClassification type = classifySoundAsset(base);
    report.soundType = type.soundType;
    report.hornType = type.hornType;
    report.typeName = typeNameOf(type.soundType, type.hornType);
    report.rule = ruleOf(type.soundType, type.hornType);
    const QStringList onDisk = waveFilesIn(base);
    if (type.soundType == SoundTypeNone) {
        QStringList known = {assetfile::Idle1,
                             assetfile::Up1To2,
                             assetfile::Down2To1,
                             assetfile::EngineLoop,
                             assetfile::PistonStroke1,
                             assetfile::SteamLoop,
                             assetfile::LocoStationaryFast,
                             assetfile::Horn,
                             assetfile::HornStart,
                             assetfile::HornLoop};
        QString advice = QStringLiteral("Name the files as one kind of set needs them.");
        for (const QString& name : onDisk) {
            const QString nearest = nearestName(name, known);
            if (!nearest.isEmpty() && nearest.compare(name, Qt::CaseInsensitive) != 0) {
                advice = QStringLiteral("\"%1\": did you mean \"%2\"?").arg(name, nearest);
                break;
            }
        }
        checker.error(QString(), QStringLiteral("the folder meets no naming rule of a sound set"),
                      advice);
        for (const QString& name : onDisk) {
            FileReport f;
            f.name = name;
            f.onDisk = base + name;
            f.need = Need::Unused;
            f.measure = measureFile(QFile::encodeName(f.onDisk).toStdString());
            report.files.push_back(f);
        }
        return report;
    }

    for (const Expected& e : expectedFiles(type.soundType, type.hornType, base)) {
        FileReport f;
        f.name = e.name;
        f.need = e.need;
        f.loop = e.loop;
        f.onDisk = assetFilePath(base, e.name);
        report.files.push_back(f);
    }
    checker.presence(base, onDisk);
    for (FileReport& f : report.files)
        if (!f.onDisk.isEmpty())
            checker.format(f);

    if (type.soundType == SoundTypeDiesel) {
        QStringList idles;
        for (int notch = 1; notch <= 8; ++notch)
            idles << assetfile::idle(notch);
        checker.loudnessChain(idles);
        for (int notch = 1; notch <= 8; ++notch) {
            checker.bar(assetfile::idle(notch));
            if (notch < 8) {
                checker.bar(assetfile::up(notch));
                checker.joins(assetfile::up(notch), assetfile::idle(notch + 1));
            }
        }
        for (int notch = 8; notch >= 2; --notch) {
            checker.bar(assetfile::down(notch));
            checker.joins(assetfile::down(notch), assetfile::idle(notch - 1));
        }
    } else if (type.soundType == SoundTypeSteam2) {
        QStringList loops;
        for (const FileReport& f : report.files)
            if (f.loop && f.name.startsWith(assetfile::SteamLoopPrefix))
                loops << f.name;
        checker.loudnessChain(loops);
        for (const QString& name : loops)
            checker.bar(name);
    }

    const QString config = assetFilePath(base, QStringLiteral("config.txt"));
    if (!config.isNull())
        checker.config(config);
    return report;
}

} // namespace ws::check
