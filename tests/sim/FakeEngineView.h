// A window and two channels for driving the sound logic without a screen, a sound card or
// real time. A fake clock stands for time: sleep() moves it on without running anything,
// processMessages() runs the timers that are due, and advance() runs the event loop for a
// stretch of time, each timer firing at its due time, in order. The channels know the
// length and rate of every file the test declares, play it from the fake clock, end a file
// that does not loop by themselves, and record what was played and at what volume, so a
// test can tell what a listener would hear at any moment. Input posted by a test (a click,
// a key, a folder dropped) waits for the next message processing, as the window's does. An
// exception that leaves a timer or input handler is recorded as the error box the window
// would show.
#pragma once

#include "audio/SoundChannel.h"
#include "sim/EngineSound.h"
#include "sim/EngineView.h"

#include <QString>
#include <QStringList>

#include <algorithm>
#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace ws::test {

struct FakeClock {
    int64_t now = 0;
};

// The length and rate of every file the fake channels can open, by path.
struct FakeFileInfo {
    int32_t durationMs = 0;
    uint32_t rate = 44100;
};
using FakeFiles = std::map<std::string, FakeFileInfo>;

class FakeChannel : public SoundChannel {
public:
    // One start of playback, with what it sounded like at that moment.
    struct Play {
        std::string file; // the file name part
        int64_t at = -1;
        int32_t volume = 1;    // above full level: never written by the program
        int32_t frequency = 0; // the rate it plays at, in Hz
        bool loop = false;
    };

    FakeChannel(const FakeClock& clock, const FakeFiles& files) : clock_(clock), files_(files) {}

    const std::string& FileName() const override { return fileName_; }
    void setFileName(const std::string& name) override {
        stop();
        if (!fileName_.empty())
            log.emplace_back(clock_.now, "close " + namePart());
        fileName_.clear();
        volume_ = 0;
        frequency_ = 0;
        loop_ = false;
        if (name.empty())
            return;
        const auto it = files_.find(name);
        if (it == files_.end())
            throw std::runtime_error("cannot open " + name);
        duration_ = it->second.durationMs;
        rate_ = it->second.rate;
        fileName_ = name;
        opened.push_back(namePart());
    }
    bool Loop() const override { return loop_; }
    void setLoop(bool value) override { loop_ = value; }
    int32_t Volume() const override { return volume_; }
    void setVolume(int32_t value) override {
        volume_ = value;
        volumes.emplace_back(clock_.now, value);
    }
    int32_t Frequency() const override { return frequency_; }
    void setFrequency(int32_t value) override { frequency_ = value; }
    void play() override {
        if (fileName_.empty())
            throw std::runtime_error("No file opened");
        if (isPlaying())
            return;
        playing_ = true;
        startedAt_ = clock_.now;
        plays.push_back({namePart(), clock_.now, volume_, rate(), loop_});
        log.emplace_back(clock_.now, "play " + namePart());
    }
    void stop() override {
        if (isPlaying())
            log.emplace_back(clock_.now, "stop " + namePart());
        playing_ = false;
    }
    bool isPlaying() const override {
        settle();
        return playing_;
    }
    int32_t Position() const override {
        if (!isPlaying())
            return 0;
        const int64_t elapsed = clock_.now - startedAt_;
        return static_cast<int32_t>(loop_ ? elapsed % duration_ : elapsed);
    }
    int32_t Duration() const override { return duration_; }
    uint32_t SamplesPerSec() const override { return rate_; }

    // The rate the file plays at now: the one set since it was opened, else its own.
    int32_t rate() const { return frequency_ > 0 ? frequency_ : static_cast<int32_t>(rate_); }
    // What a listener hears from this channel now: the playing file, or "" for nothing.
    std::string heard() const { return isPlaying() ? namePart() : std::string(); }
    std::pair<int64_t, std::string> lastEvent() const {
        return log.empty() ? std::pair<int64_t, std::string>{-1, ""} : log.back();
    }
    // The i-th start of playback, or an empty record when there were fewer.
    Play playAt(std::size_t i) const { return i < plays.size() ? plays[i] : Play{}; }
    Play lastPlay() const { return plays.empty() ? Play{} : plays.back(); }
    std::vector<std::string> playedFiles() const {
        std::vector<std::string> names;
        for (const Play& p : plays)
            names.push_back(p.file);
        return names;
    }

    std::vector<std::string> opened;                  // every file opened, in order
    std::vector<Play> plays;                          // every start of playback
    std::vector<std::pair<int64_t, int32_t>> volumes; // every volume written, and when
    // When each file was played, stopped while playing, and closed: "play idle 1.wav".
    std::vector<std::pair<int64_t, std::string>> log;

private:
    std::string namePart() const {
        return fileNamePart(QString::fromStdString(fileName_)).toStdString();
    }
    // A file that does not loop stops by itself at its end.
    void settle() const {
        if (playing_ && !loop_ && clock_.now - startedAt_ >= duration_)
            playing_ = false;
    }

    const FakeClock& clock_;
    const FakeFiles& files_;
    std::string fileName_;
    bool loop_ = false;
    int32_t volume_ = 0;
    int32_t frequency_ = 0; // 0: none set since the file was opened
    int32_t duration_ = 0;
    uint32_t rate_ = 0;
    mutable bool playing_ = false;
    int64_t startedAt_ = 0;
};

class FakeTimer : public EngineTimer {
public:
    explicit FakeTimer(const FakeClock& clock) : clock_(clock) {}

    int Interval() const override { return interval_; }
    void setInterval(int ms) override {
        if (ms == interval_)
            return;
        interval_ = ms;
        if (enabled_)
            due_ = clock_.now + interval_;
    }
    bool Enabled() const override { return enabled_; }
    void setEnabled(bool enabled) override {
        if (enabled == enabled_)
            return;
        enabled_ = enabled;
        if (enabled_)
            due_ = clock_.now + interval_;
    }

    // Due now or earlier, and not already running further up the stack.
    bool dueBy(int64_t time) const { return enabled_ && !running_ && due_ <= time; }
    int64_t due() const { return due_; }
    // An exception that leaves the handler is shown as the window shows it, in an error box,
    // and the timer goes on.
    void fire() {
        due_ = clock_.now + std::max(interval_, 1);
        running_ = true;
        try {
            if (handler)
                handler();
        } catch (const std::exception& e) {
            if (errorBoxes)
                errorBoxes->push_back(e.what());
        }
        running_ = false;
    }

    std::function<void()> handler;
    std::vector<std::string>* errorBoxes = nullptr;

private:
    const FakeClock& clock_;
    int interval_ = 1000;
    bool enabled_ = false;
    bool running_ = false;
    int64_t due_ = 0;
};

class FakeEngineView : public EngineView {
public:
    FakeEngineView()
        : timers_{FakeTimer(clock), FakeTimer(clock), FakeTimer(clock), FakeTimer(clock)},
          channel1_(clock, files), channel2_(clock, files) {
        timers_[0].setInterval(1000);
        timers_[2].setInterval(200);
        for (FakeTimer& t : timers_)
            t.errorBoxes = &errorBoxes;
    }

    // Binds the window's controls and timers to the sound logic's handlers.
    void attach(EngineSound& engine) {
        engine_ = &engine;
        timers_[0].handler = [&engine] { engine.Timer1Timer(); };
        timers_[1].handler = [&engine] { engine.Timer2Timer(); };
        timers_[2].handler = [&engine] { engine.Timer3Timer(); };
        timers_[3].handler = [&engine] { engine.Timer4Timer(); };
    }

    void setLabel1(const QString& text) override { label1 = text; }
    void setLabel2(const QString& text) override { label2 = text; }
    void setLabel3(const QString& text) override { label3 = text; }
    void setFader1(int progress) override { fader1 = progress; }
    void setFader2(int progress) override { fader2 = progress; }
    void showProgressBar1(bool visible) override { progressVisible = visible; }
    void setProgressBar1(int maximum, int position) override {
        progressMax = maximum;
        progressPosition = position;
    }
    void setStatusText(const QString& text) override { status = text; }
    void appendMemo1(const QString& line) override { memo << line; }

    int throttlePosition() const override { return throttle_; }
    void setThrottlePosition(int position) override {
        moveThrottleTo(std::clamp(position, throttleMin, throttleMax));
    }
    void setThrottleMin(int value) override {
        throttleMin = value;
        moveThrottleTo(std::clamp(throttle_, throttleMin, throttleMax));
    }
    void setThrottleMax(int value) override {
        throttleMax = value;
        moveThrottleTo(std::clamp(throttle_, throttleMin, throttleMax));
    }
    void setThrottleFrequency(int ticks) override { throttleTicks = ticks; }
    bool throttleFocusable() const override { return focusable; }
    void focusThrottle() override {
        if (!focusable)
            throw std::runtime_error("Cannot focus a disabled or invisible window");
        ++focused;
    }
    void setThrottleCaption(const QString& text) override { throttleCaption = text; }

    int volumePosition() const override { return volume_; }
    void setVolumePosition(int position) override {
        if (position == volume_)
            return;
        volume_ = position;
        if (engine_)
            engine_->Volume1Change();
    }

    int soundTypeIndex() const override { return soundType; }
    int hornTypeIndex() const override { return hornType; }

    // The window's classification: what the test makes of the folder now (reclassify), then
    // the stop of a sound still running.
    void soundSelect() override {
        ++soundSelects;
        if (reclassify)
            reclassify();
        if (engine_)
            engine_->BtStopClick();
    }

    // Queues user input for the next message processing, in order, before the timers.
    void post(std::function<void()> input) { input_.push_back(std::move(input)); }
    void processMessages() override {
        while (!input_.empty()) {
            const std::function<void()> next = std::move(input_.front());
            input_.pop_front();
            try {
                next();
            } catch (const std::exception& e) {
                errorBoxes.push_back(e.what());
            }
        }
        while (FakeTimer* t = nextDue(clock.now))
            t->fire();
    }
    void sleep(int ms) override { clock.now += ms; }

    EngineTimer& timer(int number) override { return timers_.at(number - 1); }
    SoundChannel& channel1() override { return channel1_; }
    SoundChannel& channel2() override { return channel2_; }
    FakeChannel& ch1() { return channel1_; }
    FakeChannel& ch2() { return channel2_; }

    // Runs the event loop for `ms` of fake time: each timer fires at its due time, in order.
    void advance(int64_t ms) {
        const int64_t end = clock.now + ms;
        while (FakeTimer* t = nextDue(end)) {
            clock.now = std::max(clock.now, t->due());
            t->fire();
        }
        clock.now = std::max(clock.now, end);
    }
    int64_t now() const { return clock.now; }

    FakeClock clock;
    FakeFiles files;

    QString label1, label2, label3, status, throttleCaption;
    int fader1 = -1, fader2 = -1;
    bool progressVisible = false;
    int progressMax = 0, progressPosition = 0;
    QStringList memo;
    std::vector<std::string> errorBoxes; // messages of exceptions that left a timer handler
    int throttleMin = 1, throttleMax = 8, throttleTicks = 1;
    bool focusable = true;
    int focused = 0;
    int soundType = -1, hornType = -1;
    std::function<void()> reclassify;
    int soundSelects = 0;

private:
    void moveThrottleTo(int position) {
        if (position == throttle_)
            return;
        throttle_ = position;
        if (engine_)
            engine_->Throttle1Change();
    }
    FakeTimer* nextDue(int64_t by) {
        FakeTimer* next = nullptr;
        for (FakeTimer& t : timers_)
            if (t.dueBy(by) && (!next || t.due() < next->due()))
                next = &t;
        return next;
    }

    EngineSound* engine_ = nullptr;
    std::deque<std::function<void()>> input_;
    std::array<FakeTimer, 4> timers_;
    FakeChannel channel1_, channel2_;
    int throttle_ = 8;
    int volume_ = 0;
};

} // namespace ws::test
