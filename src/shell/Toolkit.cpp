// Toolkit behaviours shared by the main window's handlers; see Toolkit.h.
#include "Toolkit.h"

#include "audio/AudioErrors.h"
#include "audio/SoundDevice.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QStyleOptionSlider>
#include <QStylePainter>
#include <QWidget>

#include <chrono>
#include <cstdio>
#include <thread>
#include <utility>
#include <vector>

namespace ws {

Timer::Timer(QObject* parent) : QObject(parent) {
    timer_.setSingleShot(false);
    // Coarse timers may fire up to 5% early, which would cut a hand-over's sound short.
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, [this] { tick(); });
}

void Timer::tick() {
    // A handler that restarted its own count and then failed would otherwise be entered
    // again by every tick that comes while its error box is open, nesting box in box.
    if (!onTimer_ || running_)
        return;
    const QPointer<Timer> self(this);
    const std::function<void()> handler = onTimer_; // it may set another handler
    running_ = true;
    runHandler(nullptr, handler);
    if (self)
        running_ = false;
}

void Timer::setInterval(int ms) {
    if (ms == interval_)
        return;
    interval_ = ms;
    restart();
}

void Timer::setEnabled(bool enabled) {
    if (enabled == enabled_)
        return;
    enabled_ = enabled;
    restart();
}

void Timer::restart() {
    timer_.stop();
    // A zero interval never fires, as with the classic timer.
    if (enabled_ && interval_ > 0)
        timer_.start(interval_);
}

TrackBar::TrackBar(QWidget* parent) : QSlider(Qt::Vertical, parent) {
    // Qt's vertical slider puts the minimum at the bottom; invert it so the minimum is at the
    // top and the up arrow moves towards it.
    setInvertedAppearance(true);
    setInvertedControls(true);
    setTickPosition(QSlider::TicksBothSides);
    setPageStep(1);
    connect(this, &QSlider::valueChanged, this, [this](int) {
        if (onChange_)
            runHandler(window(), onChange_);
    });
}

void TrackBar::paintEvent(QPaintEvent*) {
    // The style fills the groove from the minimum, here at the top; a throttle or a volume
    // rises from the bottom, so the fill belongs below the thumb. The groove and the thumb are
    // drawn upside down with the position mirrored, which puts the thumb where it is and the
    // fill beneath it; the ticks are drawn as they are.
    QStylePainter painter(this);
    QStyleOptionSlider option;
    initStyleOption(&option);
    QStyleOptionSlider ticks = option;
    ticks.subControls = QStyle::SC_SliderTickmarks;
    painter.drawComplexControl(QStyle::CC_Slider, ticks);
    option.subControls = QStyle::SC_SliderGroove | QStyle::SC_SliderHandle;
    if (isSliderDown()) {
        option.activeSubControls = QStyle::SC_SliderHandle;
        option.state |= QStyle::State_Sunken;
    }
    option.upsideDown = !option.upsideDown;
    option.sliderPosition = option.minimum + option.maximum - option.sliderPosition;
    option.sliderValue = option.minimum + option.maximum - option.sliderValue;
    painter.drawComplexControl(QStyle::CC_Slider, option);
}

QString withLineBreaks(QString text) {
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

namespace {
MessageResponder& responder() {
    static MessageResponder r;
    return r;
}

void showBox(QWidget* parent, const QString& text, bool isError) {
    const QString shown = withLineBreaks(text);
    // An error also goes to the error stream: a box shown while the program closes, or on no
    // screen anyone sees, may be gone before it is read.
    if (isError)
        std::fprintf(stderr, "whistlestop: %s\n", shown.toLocal8Bit().constData());
    if (responder() && responder()(shown, isError))
        return;
    const QString title = QApplication::applicationDisplayName();
    if (isError)
        QMessageBox::critical(parent, title, shown);
    else
        QMessageBox::information(parent, title, shown);
}
} // namespace

void setMessageResponder(MessageResponder r) {
    responder() = std::move(r);
}

void showMessage(QWidget* parent, const QString& text) {
    showBox(parent, text, false);
}

void showError(QWidget* parent, const QString& text) {
    showBox(parent, text, true);
}

namespace {
// Handlers run on the user-interface thread only, so these need no guard.
int handlerDepth = 0;
std::vector<std::pair<QPointer<QObject>, std::function<void()>>> deferredActions;

// Shows the exception being handled, from inside a catch block.
// What a user without a working sound output can do about it.
const QString NoDeviceAdvice = QStringLiteral(
    "No sound output could be opened. Start the desktop's sound server (PulseAudio or "
    "PipeWire), or choose another output in the Device menu, then try again.");

void showCurrentException(QWidget* parent) {
    try {
        throw;
    } catch (const SoundDeviceError& e) {
        QString text = QString::fromUtf8(e.what());
        if (e.ErrorCode == DeviceResult::NoDriver)
            text += QStringLiteral("\n\n") + NoDeviceAdvice;
        showError(parent, text);
    } catch (const std::exception& e) {
        showError(parent, QString::fromUtf8(e.what()));
    } catch (...) {
        showError(parent, QStringLiteral("Unknown error"));
    }
}

void runDeferredActions() {
    // Taken out first: an action may run handlers of its own, which end here again.
    const auto actions = std::exchange(deferredActions, {});
    for (const auto& [context, action] : actions) {
        if (!context)
            continue;
        try {
            action();
        } catch (...) {
            showCurrentException(nullptr);
        }
    }
}
} // namespace

void runHandler(QWidget* parent, const std::function<void()>& handler) {
    {
        // The error box belongs to the handler's run: the handler that nests it resumes
        // only when the box is closed.
        struct Running {
            Running() { ++handlerDepth; }
            ~Running() { --handlerDepth; }
            Running(const Running&) = delete;
            Running& operator=(const Running&) = delete;
        } running;
        try {
            handler();
        } catch (...) {
            showCurrentException(parent);
        }
    }
    if (handlerDepth == 0 && !deferredActions.empty())
        runDeferredActions();
}

bool handlerRunning() {
    return handlerDepth > 0;
}

void afterHandlers(QObject* context, std::function<void()> action) {
    deferredActions.emplace_back(context, std::move(action));
    if (handlerDepth == 0)
        runDeferredActions();
}

bool canFocus(const QWidget* control) {
    for (const QWidget* w = control; w; w = w->parentWidget()) {
        if (!w->isEnabled() || w->isHidden())
            return false;
        if (w->isWindow())
            break;
    }
    return true;
}

void focusControl(QWidget* control) {
    if (!canFocus(control))
        throw UserError("Cannot focus a disabled or invisible window");
    control->setFocus(Qt::OtherFocusReason);
}

void processMessages() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void sleepMs(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

} // namespace ws
