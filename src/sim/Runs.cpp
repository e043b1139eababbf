// Who owns the timers and channels, and when a handler's work is over.
//
// Handlers process pending messages in the middle of their steps, so a Start, a Stop, a horn
// press or a new set can be handled inside them. The rule: each of those begins a new run
// (beginRun), which disarms every sound timer (Timer1 the one-shot hand-over, Timer2 the
// Steam 1 steps, Timer3 the progress display, Timer4 the Steam 2 steps) and forgets the
// pending one-shot. A handler notes its run when it begins and, after every nested message
// processing (pump), leaves quietly when its run is over: the run that replaced it owns the
// timers and both channels now.
//
// A run also knows what it plays: the sound type that Start or a horn press began, or a
// single file. Stop and the timers follow that, not the type the window shows now, which a
// new folder may already have changed.
#include "EngineSound.h"

#include "EngineView.h"
#include "audio/SoundChannel.h"

namespace ws {

EngineSound::Run EngineSound::beginRun(int type) {
    ++run_;
    runType_ = type;
    for (int number = 1; number <= 4; ++number)
        view_.timer(number).setEnabled(false);
    oneShotFile_.clear();
    return run_;
}

bool EngineSound::pump(Run run) {
    view_.processMessages();
    return current(run);
}

void EngineSound::BtStopClick() {
    // A single file stops the way the folder's sound type does.
    const int type =
        runType_ == RunSingleFile || runType_ == SoundTypeNone ? view_.soundTypeIndex() : runType_;
    const bool playing = state_.Playing;
    const Run run = beginRun(SoundTypeNone);
    if (!playing) {
        silenceLeftovers();
        return;
    }
    // From here on a throttle move or a second Stop, handled while the stop sound plays,
    // finds nothing to drive or stop.
    state_.Playing = false;
    try {
        if (type == SoundTypeDiesel)
            stopDiesel(run);
    } catch (...) {
        // A stop sound that cannot play still stops the engine; its error is told once.
        if (current(run))
            finishStop(type);
        throw;
    }
    if (current(run))
        finishStop(type);
}

void EngineSound::finishStop(int type) {
    state_.Playing = false;
    state_.LoopRunning = false;
    state_.StationaryPending = false;
    if (type == SoundTypeDiesel || type == SoundTypeSteam1 || type == SoundTypeSteam2) {
        close(channel1());
        close(channel2());
    } else {
        channel1().stop(); // stays open: Start opens it again anyway
        state_.Gain1 = 1.0f;
        state_.Gain2 = 1.0f;
        Volume1Change();
        channel2().stop();
    }
    view_.setLabel2(OneBlank);
    view_.setLabel3(ThreeBlanks);
    view_.showProgressBar1(false);
    view_.setStatusText(QString());
    resetThrottle();
}

void EngineSound::silenceLeftovers() {
    if (!channel1().isPlaying() && !channel2().isPlaying())
        return;
    close(channel1());
    close(channel2());
    view_.setLabel2(OneBlank);
    view_.setLabel3(ThreeBlanks);
    view_.showProgressBar1(false);
}

void EngineSound::endRun() {
    beginRun(SoundTypeNone);
    state_.Playing = false;
}

} // namespace ws
