// The window toolkit behaviours the main window's handlers rely on: timers and track bars
// with the classic semantics (writing the value a property holds does nothing; a real
// change restarts a timer or runs a track bar's change handler, clamping included), the
// handler boundary that turns an escaping exception into a modal error box, the focus
// refusal, modal message boxes that tests can answer, and processing pending messages.
#pragma once

#include "sim/EngineView.h"

#include <QSlider>
#include <QString>
#include <QTimer>

#include <exception>
#include <functional>
#include <stdexcept>
#include <utility>

class QWidget;

namespace ws {

// A message-driven timer: Interval in ms (1000 by default) and Enabled. Writing either with
// the value it already holds does nothing; a real change restarts the count from zero (or
// stops the timer). The handler runs on the user-interface thread through the handler
// boundary. A tick never comes before its interval has passed (hand-overs are timed to end
// with a sound), and never starts the handler while its previous run, error box included,
// is still open.
class Timer : public QObject, public EngineTimer {
    Q_OBJECT
public:
    explicit Timer(QObject* parent = nullptr);

    int Interval() const override { return interval_; }
    void setInterval(int ms) override;
    bool Enabled() const override { return enabled_; }
    void setEnabled(bool enabled) override;
    void setOnTimer(std::function<void()> handler) { onTimer_ = std::move(handler); }

private:
    void restart();
    void tick();

    QTimer timer_;
    int interval_ = 1000;
    bool enabled_ = false;
    bool running_ = false; // the handler's run has not returned yet
    std::function<void()> onTimer_;
};

// A vertical track bar with the minimum at the top; the up arrow moves the thumb up,
// towards the minimum. The change handler runs on every real change of the position, by
// the user or by code, including clamping by a new range.
class TrackBar : public QSlider {
    Q_OBJECT
public:
    explicit TrackBar(QWidget* parent = nullptr);

    int Position() const { return value(); }
    void setPosition(int position) { setValue(position); }
    int Min() const { return minimum(); }
    void setMin(int value) { setMinimum(value); }
    int Max() const { return maximum(); }
    void setMax(int value) { setMaximum(value); }
    int Frequency() const { return tickInterval(); }
    void setFrequency(int ticks) { setTickInterval(ticks); }
    void setOnChange(std::function<void()> handler) { onChange_ = std::move(handler); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::function<void()> onChange_;
};

// A failure the user caused or must be told about; shown with its message.
class UserError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A carriage return inside a message or a title is a line break.
QString withLineBreaks(QString text);

// The modal boxes go through these, so that a test can answer them instead of a user.
// A responder returns true when it handled the box.
using MessageResponder = std::function<bool(const QString& text, bool isError)>;
void setMessageResponder(MessageResponder responder);
void showMessage(QWidget* parent, const QString& text); // "OK" message box
void showError(QWidget* parent, const QString& text);   // the standard error box

// Runs a handler; an exception that leaves it is shown in a modal error box and the
// program goes on. Every connected handler goes through here, so no exception unwinds
// through Qt's own frames. Handlers nest: one that processes pending messages or shows a
// modal box lets others run inside it.
void runHandler(QWidget* parent, const std::function<void()>& handler);
template <typename F> auto handler(QWidget* parent, F f) {
    return [parent, f = std::move(f)](auto&&...) { runHandler(parent, f); };
}

// True while any handler runs, its error box included (user-interface thread only).
bool handlerRunning();

// Runs `action` once the outermost running handler has returned, or at once when none runs;
// dropped when `context` is gone by then. For what must not happen under a handler that is
// still going on, such as freeing the channels it uses.
void afterHandlers(QObject* context, std::function<void()> action);

// False when `control`, or any parent, is disabled or hidden: it cannot take the focus.
bool canFocus(const QWidget* control);

// Gives the focus to `control`; fails with "Cannot focus a disabled or invisible window"
// when it, or any parent, is disabled or hidden.
void focusControl(QWidget* control);

// Runs every queued window message, timer tick and input event before returning.
void processMessages();

// A blocking wait of the given length on the user-interface thread.
void sleepMs(int ms);

} // namespace ws
