// The diesel engine: one idle loop per notch on Channel1 and a transition file for each step
// between neighbouring notches on Channel2. A throttle move plays the transition that enters
// the new notch, cross-faded over the idle loop; shortly before it ends, the hand-over
// cross-fades to the idle loop of the new notch. Notch = 9 - throttle position.
#include "EngineSound.h"

#include "EngineView.h"
#include "SoundAsset.h"
#include "audio/SoundChannel.h"

namespace ws {

void EngineSound::DoDiesel() {
    state_.Gain1 = 1.0f;
    // The last hand-over left Gain2 at 0: the start sound must not play silent.
    state_.Gain2 = 1.0f;
    // Start has just put the throttle at idle; a position left from while another sound
    // type was loaded must not make the first move up sound like a move down.
    state_.LastThrottle = view_.throttlePosition();
    state_.RampUp = false;
    const int volume = view_.volumePosition();
    view_.setVolumePosition(1);
    view_.setVolumePosition(volume);
    const QString& folder = state_.AssetFolder;
    if (assetFileExists(folder, assetfile::Start) && view_.soundTypeIndex() == SoundTypeDiesel) {
        state_.RampUp = false;
        state_.Playing = true;
        // Armed first, so the start sound plays on its own, without a cross-fade.
        view_.timer(1).setEnabled(true);
        PlayRamp(folder + assetfile::Start);
        return;
    }
    state_.WavePath = folder + assetfile::Idle1;
    if (existingPath(state_.WavePath).isNull())
        return;
    view_.setLabel2(assetfile::Idle1);
    state_.Playing = true;
    SoundChannel& ch1 = channel1();
    open(ch1, state_.WavePath);
    ch1.setLoop(true);
    Volume1Change();
    ch1.play();
}

void EngineSound::dieselThrottle() {
    const int p = view_.throttlePosition();
    // The transition is the one that enters the new notch, however many were skipped.
    if (p < state_.LastThrottle) {
        state_.LastThrottle = p;
        state_.RampUp = true;
        if (p >= 1 && p <= 7)
            PlayRamp(state_.AssetFolder + assetfile::up(8 - p));
    }
    if (p > state_.LastThrottle) {
        state_.LastThrottle = p;
        state_.RampUp = false;
        if (p >= 2 && p <= 8)
            PlayRamp(state_.AssetFolder + assetfile::down(10 - p));
    }
}

void EngineSound::dieselHandOver() {
    // After a move up the notch is the one the move entered; after a move down, the one the
    // throttle stands at now.
    const int position = state_.RampUp ? state_.LastThrottle : view_.throttlePosition();
    const bool known =
        state_.RampUp ? position >= 1 && position <= 7 : position >= 2 && position <= 8;
    if (known)
        state_.WavePath = state_.AssetFolder + assetfile::idle(9 - position);
    view_.setLabel2(fileNamePart(state_.WavePath));
    view_.setLabel3(ThreeBlanks);
    CrossFade21(state_.WavePath);
}

void EngineSound::stopDiesel(Run run) {
    SoundChannel& ch2 = channel2();
    state_.WavePath = state_.AssetFolder + assetfile::Stop;
    if (!existingPath(state_.WavePath).isNull()) {
        view_.appendMemo1(state_.WavePath);
        open(ch2, state_.WavePath);
        ch2.stop();
        ch2.setLoop(false);
        const int d = ch2.Duration();
        view_.setLabel3(DurationText(d));
        view_.setLabel2(assetfile::Stop);
        if (!pump(run))
            return;
        state_.Gain2 = 1.0f;
        Volume1Change();
        ch2.play();
        // The idle loop plays on under the stop sound until it has ended.
        view_.sleep(d);
    }
}

} // namespace ws
