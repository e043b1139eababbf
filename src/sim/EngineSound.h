// The sound logic: the engine state and the handlers that Start, Stop, the throttle, the
// volume slider and the timers run, playing a sound set on the window's two channels the
// way the simulator does. Each sound type has its own file beside this one; what they share
// (the volume rule, the transition player, the cross-fades, the fade-out, the progress
// display) is here. It reaches the window and the channels only through EngineView.
//
// Threads: the user-interface thread only. Handlers may process pending messages, so others
// can run nested inside them; see Runs.cpp for how a handler learns that its run is over.
#pragma once

#include "AssetNames.h"
#include "EngineState.h"

#include <QSet>
#include <QString>

#include <string>

namespace ws {

class EngineTimer;
class EngineView;
class SoundChannel;

// A length in ms as seconds with three decimals and " sec" ("2.345 sec").
QString DurationText(int milliseconds);
// The part of a path after its last separator ("up 1 - 2.wav").
QString fileNamePart(const QString& path);
// Rounds to the nearest integer, ties to the even one.
int roundHalfEven(long double x);

class EngineSound {
public:
    explicit EngineSound(EngineView& view);

    EngineState& state() { return state_; }
    const EngineState& state() const { return state_; }

    // Handlers, as the window binds them.
    void Volume1Change();
    void BtStartClick();
    void BtStopClick();
    void Throttle1Change();
    void Timer1Timer();
    void Timer2Timer();
    void Timer3Timer();
    void Timer4Timer();
    // The Horn and Bell buttons (and their keys): pressed and released.
    void BtHornMouseDown();
    void BtHornMouseUp();
    void btBellMouseDown();
    void btBellMouseUp();

    // Playback primitives.
    void PlayRamp(const QString& fileName);
    void CrossFade12(const QString& fileName, bool loop);
    void CrossFade21(const QString& fileName);
    void FadeOut();

    // Sound types.
    void DoElectric();
    void DoDiesel();
    void DoSteam1();
    void DoSteam2();
    // Loops the chosen single wave file on Channel2, Channel1 silenced.
    void PlaySingleFile();
    // Ends the run at once, without a stop sound: every sound timer disarmed and Playing
    // false, so that nothing of it runs again. For the window's close, which then takes the
    // channels away.
    void endRun();
    // Lists the rpm numbers of the folder's "steam_loop_" files in RpmList and widens the
    // throttle to the 300-step speed control, at standstill.
    void MakeFileList(const QString& folder);

private:
    // A run lasts from one Start, Stop, horn press, single file or change of set to the next.
    using Run = unsigned;
    // What a single-file run plays, beside the sound types.
    static constexpr int RunSingleFile = -2;

    // Ends the current run and begins one that plays `type`; see Runs.cpp.
    Run beginRun(int type);
    bool current(Run run) const { return run == run_; }
    // Runs pending messages; false when a Start, Stop or change of set handled among them has
    // ended `run`, and the caller must leave without touching timers or channels.
    bool pump(Run run);
    // The stop steps of a run of `type` once its stop sound is over (or could not play).
    void finishStop(int type);
    // A Stop with nothing Playing: a horn or bell still sounding is closed, nothing else.
    void silenceLeftovers();

    // The texts that clear the file and length labels; the two differ on purpose.
    static inline const QString OneBlank{QStringLiteral(" ")};
    static inline const QString ThreeBlanks{QStringLiteral("   ")};

    SoundChannel& channel1();
    SoundChannel& channel2();
    // Stops the channel and closes its file.
    static void close(SoundChannel& channel);
    // Opens `path` on the channel, spelled as it is on disk.
    void open(SoundChannel& channel, const QString& path);
    // The on-disk path of an existing file, letter case ignored below the asset folder;
    // a null string when it does not exist.
    QString existingPath(const QString& path) const;
    // Position 8 of the range 1..8, a tick at every step.
    void resetThrottle();
    // The eighteen 5 ms steps of a cross-fade, raising one gain and lowering the other.
    void crossFadeGains(float& rising, float& falling);

    void electricThrottle();
    void dieselThrottle();
    void dieselHandOver();
    void stopDiesel(Run run);

    // Waits, running pending messages, until the pending hand-over has run; a hand-over
    // that cannot come (its channel makes no progress) is given up after the one-shot's
    // length and a second more. False when `run` ended meanwhile.
    bool waitForHandOver(Run run);

    void hornHandOver();
    // The 3-part horn's release: its stop sound over the fading loop.
    void hornStop(Run run);

    // Prepares a steam run at Start.
    void startSteam();
    // The path of the exhaust beat that comes next.
    QString nextBeat();
    void playBeat(const QString& path);
    // Starts the standstill hiss; false, with a note in the status line, when the set has
    // none.
    bool startHiss();
    // Plays the next of the fast, medium and slow stationary sounds for ten seconds.
    void stationarySequence(EngineTimer& stepTimer);
    void steam1Loop(int position);
    void steam2Loop();
    void steam2Throttle();
    // Says once per run, in the status line, that a file of the set is missing.
    void reportMissing(const QString& path);

    EngineView& view_;
    EngineState state_;
    Run run_ = 1;
    int runType_ = SoundTypeNone; // what the current run plays
    // The run each held button began or sounded in; its release acts only within that run.
    Run hornRun_ = 0;
    Run bellRun_ = 0;
    // The one-shot file the pending hand-over follows, from the moment it was played.
    std::string oneShotFile_;
    // The files reported missing since Start, each named once.
    QSet<QString> reportedMissing_;
};

} // namespace ws
