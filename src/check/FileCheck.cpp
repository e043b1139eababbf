// The checks on one file; see FileCheck.h.
#include "FileCheck.h"

#include "AssetFolder.h"
#include "SeamMeasure.h"
#include "sim/AssetNames.h"

#include <QFile>

#include <cmath>

namespace ws::check {

namespace {

QString plural(qint64 count, const char* one, const char* many) {
    return QStringLiteral("%1 %2").arg(count).arg(QLatin1String(count == 1 ? one : many));
}

void loopChecks(CheckContext& context, const FileReport& f) {
    const AudioMeasure& m = f.measure;
    if (seamClicks(m))
        context.warn(f.name, QStringLiteral("clicks at every repeat"),
                     QString::fromStdString(seamDetail(m)),
                     QStringLiteral("Cut the loop where the wave crosses zero going the same way "
                                    "at both ends, or cross-fade its ends."));
    if (m.leadingSilenceMs > LoopGapMs || m.trailingSilenceMs > LoopGapMs)
        context.warn(f.name, QStringLiteral("leaves a gap at every repeat"),
                     QStringLiteral("%1 ms of silence at its start, %2 ms at its end")
                         .arg(m.leadingSilenceMs, 0, 'f', 0)
                         .arg(m.trailingSilenceMs, 0, 'f', 0),
                     QStringLiteral("Trim the silence from both ends of the loop."));
    // A bell's loop is strokes that ring out: its level is meant to rise and fall.
    if (f.name != assetfile::Bell && m.headLufs != NoLoudness && m.tailLufs != NoLoudness &&
        std::abs(m.headLufs - m.tailLufs) > LoopFadeLimitLu) {
        const double step = m.headLufs - m.tailLufs;
        context.warn(f.name, QStringLiteral("jumps in level at every repeat"),
                     QStringLiteral("its last 400 ms are %1 LU %2 than its first")
                         .arg(lu(std::abs(step)),
                              step > 0 ? QStringLiteral("quieter") : QStringLiteral("louder")),
                     QStringLiteral("Keep the level even along the loop, or cut a part of it "
                                    "that is."));
    }
    if (std::abs(m.dcOffset) > DcOffsetLimit)
        context.warn(f.name, QStringLiteral("has a DC offset"),
                     QStringLiteral("%1 of full scale").arg(m.dcOffset, 0, 'f', 3),
                     QStringLiteral("Remove it with a high-pass filter (DC removal) in the "
                                    "editor."));
}

} // namespace

void checkFile(CheckContext& context, FileReport& f) {
    if (f.native.empty())
        f.native = QFile::encodeName(f.onDisk).toStdString();
    if (entryKind(f.native) != EntryKind::Regular) {
        f.measure.error = entryKindText(f.native).toStdString();
        if (f.need != Need::Unused)
            context.error(f.name, entryKindText(f.native), QString(),
                          QStringLiteral("Put the wave file itself in its place."));
        return;
    }
    f.measure = measureFile(f.native);
    const AudioMeasure& m = f.measure;
    if (f.need == Need::Unused)
        return; // its own warning says it is not played
    if (!m.readable) {
        context.error(
            f.name, QStringLiteral("cannot be decoded"), QString::fromStdString(m.error),
            QStringLiteral("Save it again as a PCM wave file (8 or 16 bits, mono or stereo)."));
        return;
    }
    if (!m.playable)
        context.error(
            f.name, QStringLiteral("is in a format the player cannot play"),
            QStringLiteral("%1, %2, %3 Hz")
                .arg(QString::fromStdString(m.encoding), plural(m.channels, "channel", "channels"))
                .arg(m.rate),
            QStringLiteral("Save it as an 8 or 16-bit wave file, mono or stereo."));
    if (m.frames < 2) {
        context.error(f.name, QStringLiteral("holds no sound"), plural(m.frames, "frame", "frames"),
                      QStringLiteral("Save the recording into it again."));
        return;
    }
    if (m.silent) {
        context.warn(f.name, QStringLiteral("is silent"),
                     QStringLiteral("no sample rises above %1 of full scale in its %2 s")
                         .arg(m.silenceLevel)
                         .arg(m.seconds, 0, 'f', 2),
                     QStringLiteral("Save the recording into it again, or remove the file."));
        return;
    }
    if (m.clippedRuns > 0)
        context.warn(f.name, QStringLiteral("clips"),
                     QStringLiteral("%1 of %2 or more samples at full scale")
                         .arg(plural(m.clippedRuns, "run", "runs"))
                         .arg(ClipRunSamples),
                     QStringLiteral("Lower its level before it is saved."));
    if (f.loop)
        loopChecks(context, f);
}

} // namespace ws::check
