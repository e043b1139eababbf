// The asset's config.txt against its files; see ConfigCheck.h.
#include "ConfigCheck.h"

#include "AssetFolder.h"
#include "sim/AssetNames.h"
#include "sim/SoundAsset.h"

#include <QFile>

#include <cmath>

namespace ws::check {

namespace {

// Entry n (from 1) of the up list belongs to "up n - n+1.wav", of the down list to
// "down n+1 - n.wav"; entry 0 is the idle level's and has no file.
void checkRamps(CheckContext& context, const QString& config, const QString& tag,
                const std::vector<double>& seconds, bool up) {
    for (std::size_t n = 1; n < seconds.size() && n <= 7; ++n) {
        const QString file = up ? assetfile::up(int(n)) : assetfile::down(int(n) + 1);
        const FileReport* f = context.present(file);
        if (!f || std::abs(f->measure.seconds - seconds[n]) <= RampToleranceSeconds)
            continue;
        context.warn(file, QStringLiteral("lasts other than its configured ramp"),
                     QStringLiteral("it lasts %1 s, but %2 gives %3 s for it in %4")
                         .arg(f->measure.seconds, 0, 'f', 2)
                         .arg(config)
                         .arg(seconds[n], 0, 'f', 2)
                         .arg(tag),
                     QStringLiteral("Make the file and the configured duration agree."));
    }
}

} // namespace

ConfigFile readConfigFile(const std::string& native) {
    ConfigFile result;
    if (entryKind(native) != EntryKind::Regular) {
        result.unreadable = entryKindText(native);
        return result;
    }
    QFile file(QFile::decodeName(QByteArray::fromStdString(native)));
    if (!file.open(QIODevice::ReadOnly)) {
        result.unreadable = QStringLiteral("cannot be read: %1").arg(file.errorString());
        return result;
    }
    if (file.size() > MaxConfigBytes) {
        result.unreadable = QStringLiteral("is %1 MB, far more than an asset's config.txt holds")
                                .arg(double(file.size()) / (1024 * 1024), 0, 'f', 0);
        return result;
    }
    // Read at most one byte past the cap, in case the file grew since its size was taken.
    const QByteArray text = file.read(MaxConfigBytes + 1);
    if (text.size() > MaxConfigBytes) {
        result.unreadable =
            QStringLiteral("grew past %1 MB while it was read").arg(MaxConfigBytes / (1024 * 1024));
        return result;
    }
    result.parsed = parseConfigTxt(text);
    return result;
}

void checkConfig(CheckContext& context, const QString& name, const std::string& native) {
    const ConfigFile read = readConfigFile(native);
    if (!read.unreadable.isEmpty()) {
        context.warn(name, QStringLiteral("is not read"), read.unreadable,
                     QStringLiteral("Replace it with the asset's text file."));
        return;
    }
    if (!read.parsed.config) {
        const ConfigParseError e = read.parsed.error.value_or(ConfigParseError{});
        context.warn(name, QStringLiteral("cannot be read past line %1").arg(e.line), e.message,
                     QStringLiteral("Correct it in a text editor; the checker does not change "
                                    "it."));
        return;
    }
    const EngineSoundConfig& c = *read.parsed.config;
    const AssetReport& r = context.report();
    if (r.soundType == SoundTypeDiesel && c.isRamping.value_or(false)) {
        QStringList missing;
        for (const FileReport& f : r.files)
            if (f.onDisk.isEmpty() && (f.name.startsWith(QStringLiteral("up ")) ||
                                       f.name.startsWith(QStringLiteral("down "))))
                missing << QStringLiteral("\"%1\"").arg(f.name);
        if (!missing.isEmpty())
            context.warn(
                name, QStringLiteral("says the set ramps, but transitions are missing"),
                QStringLiteral("isramping is 1, and %1 %2 missing")
                    .arg(missing.join(QStringLiteral(", ")))
                    .arg(missing.size() == 1 ? QStringLiteral("is") : QStringLiteral("are")),
                QStringLiteral("Add the transition files, or set isramping 0."));
    }
    if ((r.soundType == SoundTypeSteam1 || r.soundType == SoundTypeSteam2) && c.numberSlowSounds) {
        int strokes = 0;
        for (int beat = 1; beat <= 4; ++beat)
            strokes += context.present(assetfile::pistonStroke(beat)) ? 1 : 0;
        if (*c.numberSlowSounds != strokes)
            context.warn(name,
                         QStringLiteral("counts other slow sounds than there are piston strokes"),
                         QStringLiteral("number-slow-sounds is %1, but the folder holds %2 "
                                        "piston_stroke files")
                             .arg(*c.numberSlowSounds)
                             .arg(strokes),
                         QStringLiteral("Make the number match the piston_stroke files."));
    }
    if (r.soundType == SoundTypeDiesel) {
        checkRamps(context, name, QStringLiteral("engine-sound-ramp-up-durations"),
                   c.rampUpDurations, true);
        checkRamps(context, name, QStringLiteral("engine-sound-ramp-down-durations"),
                   c.rampDownDurations, false);
    }
}

} // namespace ws::check
