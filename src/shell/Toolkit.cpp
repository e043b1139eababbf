// Toolkit behaviours shared by the main window's handlers; see Toolkit.h.
#include "Toolkit.h"

#include <QApplication>
#include <QMessageBox>
#include <QWidget>

#include <chrono>
#include <thread>

namespace ws {

Timer::Timer(QObject* parent) : QObject(parent) {
    timer_.setSingleShot(false);
    connect(&timer_, &QTimer::timeout, this, [this] {
        if (onTimer_)
            runHandler(nullptr, onTimer_);
    });
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

void runHandler(QWidget* parent, const std::function<void()>& handler) {
    try {
        handler();
    } catch (const std::exception& e) {
        showError(parent, QString::fromUtf8(e.what()));
    } catch (...) {
        showError(parent, QStringLiteral("Unknown error"));
    }
}

void focusControl(QWidget* control) {
    for (QWidget* w = control; w; w = w->parentWidget()) {
        if (!w->isEnabled() || w->isHidden())
            throw UserError("Cannot focus a disabled or invisible window");
        if (w->isWindow())
            break;
    }
    control->setFocus(Qt::OtherFocusReason);
}

void processMessages() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void sleepMs(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

} // namespace ws
