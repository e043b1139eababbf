// What the sound logic asks of the window: its labels, gauges, progress bar, status line and
// log memo, the throttle and the volume slider, the sound-type and horn-type choices,
// message processing and blocking sleeps, its four timers and its two channels. The main
// window implements it; the sound logic's tests use a fake with a fake clock.
//
// Threads: the user-interface thread only.
#pragma once

#include <QString>

namespace ws {

class SoundChannel;

// A message-driven timer: Interval in ms and Enabled. Writing the value a property already
// holds does nothing; a real change restarts the count (or stops the timer).
class EngineTimer {
public:
    virtual ~EngineTimer() = default;
    virtual int Interval() const = 0;
    virtual void setInterval(int ms) = 0;
    virtual bool Enabled() const = 0;
    virtual void setEnabled(bool enabled) = 0;
};

class EngineView {
public:
    virtual ~EngineView() = default;

    virtual void setLabel1(const QString& text) = 0; // the volume in percent
    virtual void setLabel2(const QString& text) = 0; // the file now playing
    virtual void setLabel3(const QString& text) = 0; // the one-shot file's length
    virtual void setFader1(int progress) = 0;        // Gain1 in percent
    virtual void setFader2(int progress) = 0;        // Gain2 in percent
    virtual void showProgressBar1(bool visible) = 0;
    virtual void setProgressBar1(int maximum, int position) = 0;
    virtual void setStatusText(const QString& text) = 0;
    virtual void appendMemo1(const QString& line) = 0;

    // Throttle1, a vertical track bar with the minimum at the top. Writing the position, the
    // minimum or the maximum runs the engine's Throttle1Change whenever the position really
    // changes (a new range clamps it first).
    virtual int throttlePosition() const = 0;
    virtual void setThrottlePosition(int position) = 0;
    virtual void setThrottleMin(int value) = 0;
    virtual void setThrottleMax(int value) = 0;
    virtual void setThrottleFrequency(int ticks) = 0;
    // False while the throttle or a parent of it is disabled or hidden.
    virtual bool throttleFocusable() const = 0;
    // Gives the throttle the keyboard focus, so that the arrow keys move it.
    virtual void focusThrottle() = 0;
    // Sets LThrottle, the throttle's caption ("Throttle", "Speed").
    virtual void setThrottleCaption(const QString& text) = 0;

    // Volume1, 0 at the top to 99 at the bottom. Writing a new position runs the engine's
    // Volume1Change.
    virtual int volumePosition() const = 0;
    virtual void setVolumePosition(int position) = 0;

    // ItemIndex of the SoundType and HornType radio groups (-1 for none).
    virtual int soundTypeIndex() const = 0;
    virtual int hornTypeIndex() const = 0;

    // Classifies the asset folder again, shows the sound and horn types it finds and arranges
    // the controls for them; a sound still running is stopped (BtStopClick) on the way.
    virtual void soundSelect() = 0;

    // Runs pending window messages, timer ticks included, before returning.
    virtual void processMessages() = 0;
    // Blocks the user-interface thread for `ms` milliseconds; nothing else runs meanwhile.
    virtual void sleep(int ms) = 0;

    // Timer1 to Timer4.
    virtual EngineTimer& timer(int number) = 0;

    // The loop channel and the one-shot channel.
    virtual SoundChannel& channel1() = 0;
    virtual SoundChannel& channel2() = 0;
};

} // namespace ws
