// What every sound type shares: the volume rule, Start and Stop, the throttle's dispatch, the
// transition player with its hand-over, the two cross-fades, the fade-out and the progress
// display. The steps keep their order and their waits: the nested message processing and
// the blocking sleeps are part of how the program sounds.
#include "EngineSound.h"

#include "EngineView.h"
#include "SoundAsset.h"
#include "audio/SoundChannel.h"

#include <QLocale>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace ws {

namespace {

// A one-shot file hands over this long before its end, so the next loop is already
// fading in when it stops.
constexpr int HandOverLeadMs = 130;
// Below this position a transition has not audibly started yet.
constexpr int StartedMs = 5;

constexpr int CrossFadeSteps = 18;
constexpr int CrossFadeOutFrom = 5; // the outgoing channel starts fading at this step
constexpr int CrossFadeStepMs = 5;
constexpr int FadeStepMs = 20;
// How much longer than its one-shot a hand-over may keep a release waiting.
constexpr int HandOverPatienceMs = 1000;

} // namespace

int roundHalfEven(long double x) {
    long double whole = std::floor(x);
    const long double fraction = x - whole;
    if (fraction > 0.5L || (fraction == 0.5L && std::fmod(whole, 2.0L) != 0.0L))
        whole += 1.0L;
    return static_cast<int>(whole);
}

QString fileNamePart(const QString& path) {
#ifdef Q_OS_WIN
    const qsizetype cut =
        std::max({path.lastIndexOf(QLatin1Char('\\')), path.lastIndexOf(QLatin1Char('/')),
                  path.lastIndexOf(QLatin1Char(':'))});
#else
    const qsizetype cut = path.lastIndexOf(QLatin1Char('/'));
#endif
    return path.mid(cut + 1);
}

QString DurationText(int milliseconds) {
    // Five significant digits: from 100 s on, the last places go, rounded half away from
    // zero as in the decimal text.
    long long ms = std::llabs(milliseconds);
    long long scale = 1;
    for (long long m = ms; m >= 100000; m /= 10)
        scale *= 10;
    ms = (ms + scale / 2) / scale * scale;
    return QStringLiteral("%1%2%3%4 sec")
        .arg(milliseconds < 0 ? QStringLiteral("-") : QString())
        .arg(ms / 1000)
        .arg(QLocale().decimalPoint())
        .arg(ms % 1000, 3, 10, QLatin1Char('0'));
}

EngineSound::EngineSound(EngineView& view) : view_(view) {}

SoundChannel& EngineSound::channel1() {
    return view_.channel1();
}

SoundChannel& EngineSound::channel2() {
    return view_.channel2();
}

void EngineSound::close(SoundChannel& channel) {
    channel.stop();
    channel.setFileName(std::string());
}

QString EngineSound::existingPath(const QString& path) const {
    // Names below the asset folder are matched without regard to letter case; anything
    // else is split at its last separator.
    const QString& folder = state_.AssetFolder;
    if (!folder.isEmpty() && path.startsWith(folder))
        return assetFilePath(folder, path.mid(folder.size()));
    const qsizetype cut = path.size() - fileNamePart(path).size();
    return assetFilePath(path.left(cut), path.mid(cut));
}

void EngineSound::open(SoundChannel& channel, const QString& path) {
    const QString onDisk = existingPath(path);
    channel.setFileName((onDisk.isNull() ? path : onDisk).toStdString());
}

void EngineSound::Volume1Change() {
    // Volume1 runs from 0 to 99; the logarithm needs at least 1.
    const int p = std::clamp(view_.volumePosition(), 0, 99);
    const long double level = std::log10(static_cast<long double>(100 - p)) * 2500.0L;
    channel1().setVolume(roundHalfEven(level * state_.Gain1) - 5000);
    channel2().setVolume(roundHalfEven(level * state_.Gain2) - 5000);
    view_.setFader1(roundHalfEven(100.0L * state_.Gain1));
    view_.setFader2(roundHalfEven(100.0L * state_.Gain2));
    view_.setLabel1(QString::number(100 - p));
}

void EngineSound::resetThrottle() {
    view_.setThrottlePosition(8);
    view_.setThrottleMax(8);
    view_.setThrottleFrequency(1);
}

void EngineSound::BtStartClick() {
    if (state_.SingleFileMode) {
        PlaySingleFile();
        return;
    }
    const Run run = beginRun(view_.soundTypeIndex());
    view_.setStatusText(QString());
    close(channel1());
    close(channel2());
    state_.Playing = false;
    resetThrottle();
    // A throttle that cannot take the focus (its panel is disabled) only loses the arrow
    // keys; Start goes on.
    if (view_.throttleFocusable())
        view_.focusThrottle();
    switch (runType_) {
    case SoundTypeElectric:
        DoElectric();
        break;
    case SoundTypeDiesel:
        DoDiesel();
        break;
    case SoundTypeSteam1:
        startSteam();
        state_.LastSteamPosition = 8;
        state_.StationaryPending = false;
        state_.LoopRunning = false;
        DoSteam1();
        break;
    case SoundTypeSteam2:
        startSteam();
        MakeFileList(state_.AssetFolder);
        state_.StationaryPending = false;
        state_.LoopRunning = false;
        DoSteam2();
        break;
    default:
        break;
    }
    if (current(run) && state_.Playing)
        view_.setStatusText(QStringLiteral("Change speed/throttle with up/down keys."));
}

void EngineSound::Throttle1Change() {
    // A single file playing is not the engine's to drive.
    if (state_.Playing && runType_ != view_.soundTypeIndex())
        return;
    switch (view_.soundTypeIndex()) {
    case SoundTypeElectric:
        electricThrottle();
        break;
    case SoundTypeDiesel:
        dieselThrottle();
        break;
    case SoundTypeSteam2:
        steam2Throttle();
        break;
    default:
        break; // Steam 1 reads the position at its own steps
    }
}

void EngineSound::PlayRamp(const QString& fileName) {
    if (existingPath(fileName).isNull() || !state_.Playing)
        return;
    const Run run = run_;
    EngineTimer& timer1 = view_.timer(1);
    const bool wasArmed = timer1.Enabled();
    timer1.setEnabled(false);
    SoundChannel& ch2 = channel2();
    open(ch2, fileName);
    ch2.setLoop(false);
    ch2.stop();
    Volume1Change();
    const int d = ch2.Duration();
    timer1.setInterval(d > HandOverLeadMs ? d - HandOverLeadMs : d);
    view_.timer(3).setEnabled(true);
    view_.setLabel3(DurationText(d));
    timer1.setEnabled(true);
    view_.setLabel2(fileNamePart(fileName));
    if (!pump(run))
        return;
    if (wasArmed)
        ch2.play(); // the pending hand-over takes this transition instead
    else
        CrossFade12(fileName, false);
    oneShotFile_ = ch2.FileName();
}

void EngineSound::Timer1Timer() {
    const Run run = run_;
    EngineTimer& timer1 = view_.timer(1);
    timer1.setEnabled(false);
    if (!pump(run))
        return;
    SoundChannel& ch2 = channel2();
    // A one-shot that has already played to its end and stopped reads 0 like one that has
    // not started yet; it hands over at once. Its playing state answers even while the
    // channel is busy, when the position reads 0 as well.
    const bool ended = !oneShotFile_.empty() && ch2.FileName() == oneShotFile_ && !ch2.isPlaying();
    if (!ended && ch2.Position() < StartedMs) {
        // Closed meanwhile (Start, Stop): nothing is left to hand over from.
        if (ch2.FileName().empty())
            return;
        timer1.setEnabled(true);
        return;
    }
    oneShotFile_.clear();
    switch (runType_) {
    case SoundTypeDiesel:
        dieselHandOver();
        break;
    case SoundTypeHorn:
        hornHandOver();
        break;
    default:
        break;
    }
}

bool EngineSound::waitForHandOver(Run run) {
    EngineTimer& timer1 = view_.timer(1);
    // Counted in the wait's own steps, so time spent in nested handlers only lengthens it.
    const int patience = std::max(timer1.Interval(), 0) + HandOverPatienceMs;
    for (int waited = 0; timer1.Enabled(); waited += FadeStepMs) {
        if (waited > patience) {
            timer1.setEnabled(false);
            oneShotFile_.clear();
            return true;
        }
        if (!pump(run))
            return false;
        view_.sleep(FadeStepMs);
    }
    return current(run);
}

void EngineSound::crossFadeGains(float& rising, float& falling) {
    // The incoming channel is at full level after ten steps; the outgoing one starts to
    // fall a little later, so the two overlap without a dip. Each step is stored as a
    // 32-bit gain before the volumes are applied.
    for (int step = 0; step < CrossFadeSteps; ++step) {
        rising = static_cast<float>(rising + 0.1L);
        if (rising > 1.0f)
            rising = 1.0f;
        if (step >= CrossFadeOutFrom)
            falling = static_cast<float>(falling - 0.1L);
        if (falling < 0.0f)
            falling = 0.0f;
        Volume1Change();
        view_.sleep(CrossFadeStepMs);
    }
}

void EngineSound::CrossFade12(const QString& fileName, bool loop) {
    state_.Gain2 = 0.0f;
    if (existingPath(fileName).isNull())
        return;
    SoundChannel& ch2 = channel2();
    open(ch2, fileName);
    Volume1Change();
    ch2.setLoop(loop);
    state_.BaseRate = static_cast<int>(ch2.SamplesPerSec());
    ch2.play();
    crossFadeGains(state_.Gain2, state_.Gain1);
    close(channel1());
}

void EngineSound::CrossFade21(const QString& fileName) {
    state_.Gain1 = 0.0f;
    if (existingPath(fileName).isNull())
        return;
    SoundChannel& ch1 = channel1();
    open(ch1, fileName);
    Volume1Change();
    ch1.setLoop(true);
    state_.BaseRate = static_cast<int>(ch1.SamplesPerSec());
    ch1.play();
    crossFadeGains(state_.Gain1, state_.Gain2);
    close(channel2());
    view_.timer(3).setEnabled(false);
    view_.showProgressBar1(false);
}

void EngineSound::FadeOut() {
    if (!waitForHandOver(run_))
        return;
    while (static_cast<long double>(state_.Gain1) > 0.01L) {
        state_.Gain1 = static_cast<float>(state_.Gain1 - 0.1L);
        if (state_.Gain1 < 0.0f)
            state_.Gain1 = 0.0f;
        state_.Gain2 = state_.Gain1;
        Volume1Change();
        view_.sleep(FadeStepMs);
    }
    state_.Playing = false;
    view_.setLabel2(OneBlank);
    view_.setLabel3(ThreeBlanks);
    close(channel1());
    close(channel2());
    state_.Gain1 = 1.0f;
    state_.Gain2 = 1.0f;
    Volume1Change();
}

void EngineSound::Timer3Timer() {
    view_.showProgressBar1(true);
    SoundChannel& ch2 = channel2();
    view_.setProgressBar1(ch2.Duration(), ch2.Position());
}

} // namespace ws
