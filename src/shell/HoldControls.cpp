// Press-and-hold buttons and keys; see HoldControls.h.
#include "HoldControls.h"

#include "Toolkit.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>

namespace ws {

HoldControls::HoldControls(QWidget* window) : QObject(window), window_(window) {
    // Keys reach whichever control has the focus, so they are looked at on their way there.
    qApp->installEventFilter(this);
    window_->installEventFilter(this);
}

void HoldControls::add(QPushButton* button, int key, std::function<void()> press,
                       std::function<void()> release) {
    auto hold = std::make_unique<Hold>();
    hold->button = button;
    hold->key = key;
    hold->press = std::move(press);
    hold->release = std::move(release);
    hold->keyUp = new QTimer(this);
    hold->keyUp->setSingleShot(true);
    hold->keyUp->setInterval(RepeatGapMs);
    connect(hold->keyUp, &QTimer::timeout, this,
            [this, held = hold.get()] { up(*held, &Hold::byKey); });
    button->installEventFilter(this);
    holds_.push_back(std::move(hold));
}

void HoldControls::dropAll() {
    for (auto& hold : holds_) {
        hold->keyUp->stop();
        hold->byKey = hold->byMouse = false;
    }
}

void HoldControls::down(Hold& hold, bool Hold::*source) {
    if (hold.*source)
        return;
    const bool begins = !hold.byMouse && !hold.byKey;
    hold.*source = true;
    if (begins)
        runHandler(window_, hold.press);
}

void HoldControls::up(Hold& hold, bool Hold::*source) {
    if (!(hold.*source))
        return;
    hold.*source = false;
    if (!hold.byMouse && !hold.byKey)
        runHandler(window_, hold.release);
}

void HoldControls::releaseAll() {
    for (auto& hold : holds_) {
        hold->keyUp->stop();
        up(*hold, &Hold::byKey);
        up(*hold, &Hold::byMouse);
    }
}

bool HoldControls::keyEvent(QObject* watched, QEvent* event) {
    auto* key = static_cast<QKeyEvent*>(event);
    auto* widget = qobject_cast<QWidget*>(watched);
    if (key->isAutoRepeat() || !widget || widget->window() != window_ ||
        QApplication::activeModalWidget())
        return false;
    if (key->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier))
        return false;
    for (auto& hold : holds_) {
        if (key->key() != hold->key)
            continue;
        if (event->type() == QEvent::KeyPress) {
            if (hold->keyUp->isActive()) {
                // The press of a repeat whose release came first: the hold goes on.
                hold->keyUp->stop();
                return true;
            }
            // As with the mouse: only a control the user can see and use.
            if (!hold->button->isVisible() || !hold->button->isEnabled())
                return false;
            down(*hold, &Hold::byKey);
        } else if (hold->byKey) {
            hold->keyUp->start();
        }
        // Taken, so that it does not travel on to the parents and come here again.
        return true;
    }
    return false;
}

bool HoldControls::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
        return keyEvent(watched, event);
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseButtonRelease:
        for (auto& hold : holds_) {
            if (watched != hold->button)
                continue;
            const bool left = static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton;
            if (event->type() == QEvent::MouseButtonRelease)
                up(*hold, &Hold::byMouse);
            else
                down(*hold, &Hold::byMouse);
            // The button shows itself pressed for the left button; it ignores the others,
            // which would then travel on to the window.
            return !left;
        }
        return false;
    case QEvent::WindowDeactivate:
        if (watched == window_)
            afterHandlers(this, [this] { releaseAll(); });
        return false;
    default:
        return false;
    }
}

} // namespace ws
