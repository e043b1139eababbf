// The steam engines. Both work in steps, one per tick of their own timer (Timer2 for Steam 1,
// Timer4 for Steam 2): a step plays the next exhaust beat on Channel2, or keeps a running
// loop on Channel1, and re-arms its timer with an interval that sets the beat rate. At
// standstill the smoke-stack hiss loops, and after running the fast, medium and slow
// stationary sounds come first, ten seconds each.
//
// Steam 1 has one running loop and the 8-step throttle; Steam 2 has one loop per engine
// speed, named by rpm, and a 300-step speed control (speed = 300 - position).
//
// A file of the set that is missing is named once in the status line and the engine goes
// on with its next step; a file that cannot be played stops the steps, so its error is
// shown once rather than at every tick.
#include "EngineSound.h"

#include "EngineView.h"
#include "SoundAsset.h"
#include "audio/SoundChannel.h"

#include <QDir>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <exception>

namespace ws {

namespace {

constexpr int BeatCount = 4;

// Steam 1: step intervals by throttle position 1 to 8, in ms.
constexpr int Steam1LoopStepMs = 400;
constexpr int Steam1BeatStepMs[] = {250, 375, 500, 600}; // positions 4 to 7
constexpr int StandstillStepMs = 500;
constexpr int StationaryMs = 10000;

// Steam 2: speed ranges of the 300-step control.
constexpr int SpeedSteps = 300;
constexpr int SpeedTicks = 30;
constexpr int StandstillBelow = 6;
constexpr int LoopsFrom = 30;
constexpr int BeatRateMs = 8000; // a beat every 8000 / speed ms
constexpr int LoopChoiceDelayMs = 400;

// Disarms a step timer when its step leaves by an exception: a file that cannot be played
// then shows its error once instead of at every tick. Stop and Start still work.
class StepGuard {
public:
    explicit StepGuard(EngineTimer& timer)
        : timer_(timer), exceptions_(std::uncaught_exceptions()) {}
    ~StepGuard() {
        if (std::uncaught_exceptions() > exceptions_)
            timer_.setEnabled(false);
    }
    StepGuard(const StepGuard&) = delete;
    StepGuard& operator=(const StepGuard&) = delete;

private:
    EngineTimer& timer_;
    int exceptions_;
};

void arm(EngineTimer& timer, int ms) {
    timer.setInterval(ms);
    timer.setEnabled(true);
}

QString missingText(const QString& name) {
    return QStringLiteral("File \"%1\" not found.").arg(name);
}

} // namespace

void EngineSound::startSteam() {
    // Another sound set may have left a gain down; a steam run starts at full level.
    state_.Gain1 = 1.0f;
    state_.Gain2 = 1.0f;
    state_.RpmIndex = -1; // no loop is current yet
    reportedMissing_.clear();
}

void EngineSound::reportMissing(const QString& path) {
    const QString name = fileNamePart(path);
    if (reportedMissing_.contains(name))
        return;
    reportedMissing_.insert(name);
    view_.setStatusText(missingText(name));
}

QString EngineSound::nextBeat() {
    if (++state_.PistonStroke > BeatCount || state_.PistonStroke < 1)
        state_.PistonStroke = 1;
    return state_.AssetFolder + assetfile::pistonStroke(state_.PistonStroke);
}

void EngineSound::playBeat(const QString& path) {
    if (existingPath(path).isNull()) {
        reportMissing(path);
        return;
    }
    view_.setLabel2(fileNamePart(path));
    SoundChannel& ch2 = channel2();
    open(ch2, path);
    ch2.setLoop(false);
    // Beats sound at full level whatever a loop's cross-fade left behind.
    state_.Gain2 = 1.0f;
    state_.Gain1 = 1.0f;
    Volume1Change();
    ch2.play();
}

bool EngineSound::startHiss() {
    const QString path = state_.AssetFolder + assetfile::SmokeStackHiss;
    if (existingPath(path).isNull()) {
        // The steps, and Stop, go on without the hiss. The note is written at every
        // standstill step: Start's own hint covers the first.
        state_.Playing = true;
        view_.setStatusText(missingText(assetfile::SmokeStackHiss));
        return false;
    }
    SoundChannel& ch1 = channel1();
    open(ch1, path);
    ch1.setLoop(true);
    state_.Gain1 = 1.0f;
    Volume1Change();
    view_.setLabel2(assetfile::SmokeStackHiss);
    state_.Playing = true;
    ch1.play();
    state_.LoopRunning = true;
    state_.StationaryPending = false;
    state_.StationaryStep = 0;
    return true;
}

void EngineSound::stationarySequence(EngineTimer& stepTimer) {
    if (++state_.StationaryStep > 3 || state_.StationaryStep < 1)
        state_.StationaryStep = 1;
    stepTimer.setEnabled(false);
    state_.StationaryPending = true;
    QLatin1String name = assetfile::LocoStationaryFast;
    if (state_.StationaryStep == 2) {
        name = assetfile::LocoStationaryMed;
    } else if (state_.StationaryStep == 3) {
        name = assetfile::LocoStationarySlow;
        state_.StationaryPending = false; // the next standstill step starts the hiss
    }
    const QString path = state_.AssetFolder + name;
    const bool present = !existingPath(path).isNull();
    SoundChannel& ch1 = channel1();
    if (present)
        open(ch1, path);
    // A missing sound leaves the previous one playing for its ten seconds.
    arm(stepTimer, StationaryMs);
    if (!present) {
        reportMissing(path);
        return;
    }
    ch1.setLoop(true);
    state_.Gain1 = 1.0f;
    Volume1Change();
    view_.setLabel2(name);
    state_.Playing = true;
    ch1.play();
}

void EngineSound::Timer2Timer() {
    view_.timer(2).setEnabled(false);
    if (state_.Playing && runType_ == SoundTypeSteam1)
        DoSteam1();
}

void EngineSound::Timer4Timer() {
    view_.timer(4).setEnabled(false);
    if (state_.Playing && runType_ == SoundTypeSteam2)
        DoSteam2();
}

void EngineSound::DoSteam1() {
    EngineTimer& timer2 = view_.timer(2);
    const StepGuard guard(timer2);
    const int p = view_.throttlePosition();
    const QString beat = nextBeat();
    if (p >= 1 && p <= 3) {
        steam1Loop(p);
    } else if (p >= 4 && p <= 7) {
        channel1().stop(); // the loop or standstill sound pauses; its file stays open
        arm(timer2, Steam1BeatStepMs[p - 4]);
        playBeat(beat);
        state_.LoopRunning = false;
        if (p == 4) {
            state_.StationaryPending = false;
        } else {
            state_.StationaryPending = true;
            state_.StationaryStep = 0;
        }
    } else if (p == 8) {
        arm(timer2, StandstillStepMs);
        if (!state_.LoopRunning && state_.LastSteamPosition == 8 && !state_.StationaryPending) {
            if (!startHiss())
                return;
        }
        if (state_.LastSteamPosition != 8 || state_.StationaryPending)
            stationarySequence(timer2);
    }
    state_.LastSteamPosition = p;
}

void EngineSound::steam1Loop(int position) {
    EngineTimer& timer2 = view_.timer(2);
    SoundChannel& ch1 = channel1();
    channel2().stop();
    arm(timer2, Steam1LoopStepMs);
    const QString path = state_.AssetFolder + assetfile::SteamLoop;
    const QString onDisk = existingPath(path);
    if (onDisk.isNull()) {
        reportMissing(path); // whatever plays on Channel1 goes on
        return;
    }
    view_.setLabel2(assetfile::SteamLoop);
    // The hiss or a stationary sound may still loop on Channel1 when the throttle passed the
    // beat positions between two steps; it is replaced, not pitched as the running loop.
    const bool loopPlays = state_.LoopRunning && ch1.FileName() == onDisk.toStdString();
    if (!loopPlays) {
        open(ch1, path);
        ch1.setLoop(true);
        state_.Gain1 = 1.0f;
        Volume1Change();
        if (position == 3 && !state_.StationaryPending)
            state_.StationaryPending = true;
        // Pitch is relative to this loop's own rate, not to a rate another set left behind.
        state_.BaseRate = static_cast<int>(ch1.SamplesPerSec());
    }
    // Set after opening, so that a loop opened at positions 1 and 2 starts at its pitch.
    const long double factor = position == 1 ? 1.3L : position == 2 ? 1.15L : 1.0L;
    ch1.setFrequency(roundHalfEven(state_.BaseRate * factor));
    if (!loopPlays)
        ch1.play();
    state_.LoopRunning = true;
}

void EngineSound::MakeFileList(const QString& folder) {
    // Every "*.wav" entry, folders included, counts for a slot; a name that gives no rpm
    // leaves its slot 0 at the end of the list.
    QVector<int> rpms;
    qsizetype loopFiles = 0;
    if (!folder.isEmpty()) {
        const QStringList names = QDir(folder).entryList(
            QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::NoSort);
        for (const QString& name : names) {
            if (!name.endsWith(QLatin1String(".wav"), Qt::CaseInsensitive) ||
                !isSteamLoopName(name))
                continue;
            ++loopFiles;
            const int rpm = steamLoopRpmOf(name);
            if (rpm >= 0)
                rpms.append(rpm);
        }
    }
    std::sort(rpms.begin(), rpms.end());
    rpms.resize(loopFiles);
    state_.RpmList = rpms;
    view_.setThrottleMax(SpeedSteps);
    view_.setThrottlePosition(SpeedSteps);
    view_.setThrottleFrequency(SpeedTicks);
}

void EngineSound::DoSteam2() {
    EngineTimer& timer4 = view_.timer(4);
    const StepGuard guard(timer4);
    state_.SteamSpeed = SpeedSteps - view_.throttlePosition();
    const QString beat = nextBeat();
    const int speed = state_.SteamSpeed;
    if (speed < StandstillBelow) {
        arm(timer4, StandstillStepMs);
        if (state_.RpmIndex >= 0) {
            // Come to a stand from a running loop: the loop ends, and the engine settles as
            // it does after beats, through the stationary sounds to the hiss.
            channel1().stop();
            channel2().stop();
            state_.LoopRunning = false;
            state_.StationaryPending = true;
            state_.StationaryStep = 0;
        }
        state_.RpmIndex = -1;
        if (!state_.LoopRunning && !state_.StationaryPending) {
            if (!startHiss())
                return;
        }
        if (state_.StationaryPending)
            stationarySequence(timer4);
    } else if (speed < LoopsFrom) {
        state_.RpmIndex = -1;
        channel1().stop();
        channel2().stop();
        arm(timer4, BeatRateMs / speed);
        playBeat(beat);
        state_.LoopRunning = false;
        state_.StationaryPending = true;
        state_.StationaryStep = 0;
    } else {
        steam2Loop(); // the next step comes only after a throttle change
    }
}

void EngineSound::steam2Loop() {
    // The nearest rpm; a tie keeps the lower index.
    const QVector<int>& rpms = state_.RpmList;
    int best = -1;
    int bestDistance = SpeedSteps;
    for (qsizetype i = 0; i < rpms.size(); ++i) {
        const int distance = std::abs(state_.SteamSpeed - rpms[i]);
        if (distance < bestDistance) {
            bestDistance = distance;
            best = static_cast<int>(i);
        }
    }
    // No loop to choose: the engine goes on with what it plays.
    if (best < 0)
        return;
    const QString name = assetfile::steamLoopRpm(rpms[best]);
    const QString path = state_.AssetFolder + name;
    if (existingPath(path).isNull()) {
        // The loop that plays stays current, so the pitch keeps following it.
        reportMissing(path);
        return;
    }
    view_.setLabel2(name);
    if (best != state_.RpmIndex) {
        // The loops take turns on the two channels, each fading in over the previous one.
        // The turn passes only once the loop plays: after a loop that cannot, the next one
        // must still fade in on the free channel, not over the one that sounds.
        if (state_.LoopToggle) {
            CrossFade21(path);
            state_.LoopToggle = false;
        } else {
            CrossFade12(path, true);
            state_.LoopToggle = true;
        }
    }
    state_.RpmIndex = best;
}

void EngineSound::steam2Throttle() {
    state_.SteamSpeed = SpeedSteps - view_.throttlePosition();
    EngineTimer& timer4 = view_.timer(4);
    if (state_.SteamSpeed <= LoopsFrom) {
        if (state_.Playing)
            timer4.setEnabled(true);
        return;
    }
    if (!state_.Playing)
        return;
    // While the throttle keeps moving, the loop is chosen a moment after the first move.
    arm(timer4, LoopChoiceDelayMs);
    // Beats and standstill sounds keep their own rate; a loop chosen later starts at its own.
    const int index = state_.RpmIndex;
    if (index < 0 || index >= state_.RpmList.size())
        return;
    const int rpm = state_.RpmList[index];
    if (rpm == 0)
        return;
    const auto rate =
        static_cast<int32_t>(static_cast<int64_t>(state_.BaseRate) * state_.SteamSpeed / rpm);
    channel1().setFrequency(rate);
    channel2().setFrequency(rate);
}

} // namespace ws
