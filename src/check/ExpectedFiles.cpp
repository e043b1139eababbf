// The files each sound type plays; see ExpectedFiles.h.
#include "ExpectedFiles.h"

#include "sim/AssetNames.h"
#include "sim/SoundAsset.h"

#include <QFileInfo>

#include <algorithm>

namespace ws::check {

std::vector<Expected> expectedFiles(int soundType, int hornType, const QStringList& waveNames) {
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
            for (const QString& name : waveNames) {
                if (name.contains(QLatin1Char('/')))
                    continue;
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

std::vector<TypeId> allTypes() {
    return {{SoundTypeDiesel, HornTypeNone}, {SoundTypeSteam1, HornTypeNone},
            {SoundTypeSteam2, HornTypeNone}, {SoundTypeElectric, HornTypeNone},
            {SoundTypeHorn, HornType2Part},  {SoundTypeHorn, HornType3Part},
            {SoundTypeHorn, HornType1Part}};
}

} // namespace ws::check
