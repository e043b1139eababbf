// The horn and the bell, sounding while their buttons are held. A 1-part horn plays its
// file once; a 2-part horn plays its start file, hands over to its loop and fades out on
// release; a 3-part horn (in the subfolder "horn") plays a stop file over the fading loop
// on release. The bell loops "idle 1.wav" of the folder itself while held.
//
// Every press classifies the folder again, so an author who has just added or renamed a
// part hears the set as it now is.
#include "EngineSound.h"

#include "AssetNames.h"
#include "EngineView.h"
#include "audio/SoundChannel.h"

#include <QDir>

namespace ws {

namespace {

const QString TwoBlanks = QStringLiteral("  ");

} // namespace

void EngineSound::BtHornMouseDown() {
    if (view_.soundTypeIndex() != SoundTypeHorn)
        return;
    state_.SingleFileMode = false;
    view_.soundSelect();
    // The folder may have changed since the last press, to no horn set at all.
    if (view_.soundTypeIndex() != SoundTypeHorn)
        return;
    const Run run = beginRun(SoundTypeHorn);
    hornRun_ = run;
    state_.Gain2 = 1.0f;
    const QString& folder = state_.AssetFolder;
    switch (view_.hornTypeIndex()) {
    case HornType1Part: {
        const QString path = folder + assetfile::Horn;
        if (existingPath(path).isNull())
            return;
        SoundChannel& ch2 = channel2();
        open(ch2, path);
        ch2.setLoop(false);
        ch2.stop();
        Volume1Change();
        EngineTimer& timer1 = view_.timer(1);
        // The hand-over comes when the whole file has played, not before its end.
        timer1.setInterval(ch2.Duration());
        view_.timer(3).setEnabled(true);
        view_.setLabel3(DurationText(ch2.Duration()));
        timer1.setEnabled(true);
        view_.setLabel2(assetfile::Horn);
        if (!pump(run))
            return;
        ch2.play();
        // So that the hand-over knows the file once it has played to its end and stopped.
        oneShotFile_ = ch2.FileName();
        break;
    }
    case HornType2Part:
        state_.Playing = true;
        PlayRamp(folder + assetfile::HornStart);
        break;
    case HornType3Part:
        state_.Playing = true;
        PlayRamp(folder + assetfile::Horn3Start);
        break;
    default:
        break;
    }
}

void EngineSound::hornHandOver() {
    const QString& folder = state_.AssetFolder;
    switch (view_.hornTypeIndex()) {
    case HornType1Part:
        view_.setLabel2(TwoBlanks);
        view_.setLabel3(TwoBlanks);
        view_.timer(3).setEnabled(false);
        view_.showProgressBar1(false);
        break;
    case HornType2Part:
    case HornType3Part: {
        const bool twoParts = view_.hornTypeIndex() == HornType2Part;
        state_.WavePath = folder + (twoParts ? assetfile::HornLoop : assetfile::Horn3Idle);
        view_.setLabel2(fileNamePart(state_.WavePath));
        view_.setLabel3(OneBlank);
        view_.setLabel3(TwoBlanks);
        CrossFade21(state_.WavePath);
        break;
    }
    default:
        break;
    }
    close(channel2());
}

void EngineSound::BtHornMouseUp() {
    // A Stop, Start, new set or another press since has taken the channels over.
    if (hornRun_ != run_)
        return;
    // A release during the start file waits for the loop to take over.
    if (!waitForHandOver(run_))
        return;
    switch (view_.hornTypeIndex()) {
    case HornType2Part:
        FadeOut();
        break;
    case HornType3Part:
        hornStop(run_);
        break;
    default:
        break;
    }
}

void EngineSound::hornStop(Run run) {
    const QString path = state_.AssetFolder + assetfile::Horn3Stop;
    if (existingPath(path).isNull()) {
        // Without its stop sound the horn still ends: the loop fades out.
        view_.setStatusText(QStringLiteral("File \"%1\" not found.")
                                .arg(QDir::toNativeSeparators(assetfile::Horn3Stop)));
        FadeOut();
        return;
    }
    SoundChannel& ch2 = channel2();
    try {
        open(ch2, path);
        const int d = ch2.Duration();
        view_.setLabel2(fileNamePart(path));
        view_.setLabel3(DurationText(d));
        if (!pump(run))
            return;
        CrossFade12(path, false);
        view_.sleep(d);
    } catch (...) {
        // A stop sound that cannot play still ends the horn; its error is told once.
        if (current(run)) {
            state_.Playing = false;
            close(channel1());
            close(channel2());
            view_.setLabel2(ThreeBlanks);
            view_.setLabel3(ThreeBlanks);
        }
        throw;
    }
    close(channel2());
    view_.setLabel2(ThreeBlanks);
    view_.setLabel3(ThreeBlanks);
}

void EngineSound::btBellMouseDown() {
    const QString path = state_.AssetFolder + assetfile::Bell;
    if (view_.soundTypeIndex() != SoundTypeHorn || existingPath(path).isNull())
        return;
    state_.SingleFileMode = false;
    // The bell shares the horn's run: it ends neither a horn held nor its own release.
    const Run run = run_;
    bellRun_ = run;
    SoundChannel& ch2 = channel2();
    open(ch2, path);
    ch2.setLoop(true);
    ch2.stop();
    Volume1Change();
    view_.setLabel2(assetfile::Bell);
    if (!pump(run))
        return;
    ch2.play();
}

void EngineSound::btBellMouseUp() {
    // A horn press, Stop or new set since has taken the channel over.
    if (bellRun_ != run_)
        return;
    close(channel2());
    view_.setLabel2(QString());
    view_.setLabel3(QString());
}

} // namespace ws
