// The main window as the sound logic's view: its labels, gauges, throttle, volume slider,
// timers and channels, and the binding of Start, Stop, the throttle, the volume and the
// sound timers to the sound logic's handlers. The window only forwards; the decisions are
// the sound logic's.
#include "MainWindow.h"

#include "HoldControls.h"
#include "RadioGroup.h"
#include "Toolkit.h"
#include "widgets/Gauge.h"

#include <QAction>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>

#include <algorithm>
#include <stdexcept>
#include <string>

namespace ws {

namespace {
// More steps than any notched throttle has; fewer than the speed control's.
constexpr int SpeedControlSteps = 20;
constexpr int SpeedPageStep = 30;
} // namespace

void MainWindow::bindSoundHandlers() {
    connect(BtStart, &QPushButton::clicked, this, handler(this, [this] { sound_.BtStartClick(); }));
    connect(BtStop, &QPushButton::clicked, this, handler(this, [this] { sound_.BtStopClick(); }));
    // Track bars and timers run their handlers through the handler boundary themselves.
    Throttle1->setOnChange([this] { sound_.Throttle1Change(); });
    Volume1->setOnChange([this] { sound_.Volume1Change(); });
    Timer1->setOnTimer([this] { sound_.Timer1Timer(); });
    Timer2->setOnTimer([this] { sound_.Timer2Timer(); });
    Timer3->setOnTimer([this] { sound_.Timer3Timer(); });
    Timer4->setOnTimer([this] { sound_.Timer4Timer(); });
    Timer5->setOnTimer([this] { Timer5Timer(); });
    connect(Openwavfile1, &QAction::triggered, this,
            handler(this, [this] { Openwavfile1Click(); }));

    holds_ = new HoldControls(this);
    holds_->add(
        BtHorn, Qt::Key_H, [this] { sound_.BtHornMouseDown(); },
        [this] { sound_.BtHornMouseUp(); });
    holds_->add(
        btBell, Qt::Key_B, [this] { sound_.btBellMouseDown(); },
        [this] { sound_.btBellMouseUp(); });
    BtHorn->setToolTip(QStringLiteral("Hold to sound the horn (or hold H)"));
    btBell->setToolTip(QStringLiteral("Hold to ring the bell (or hold B)"));
}

void MainWindow::setLabel1(const QString& text) {
    Label1->setText(text);
}

void MainWindow::setLabel2(const QString& text) {
    Label2->setText(text);
}

void MainWindow::setLabel3(const QString& text) {
    Label3->setText(text);
}

void MainWindow::setFader1(int progress) {
    Fader1->setProgress(progress);
}

void MainWindow::setFader2(int progress) {
    Fader2->setProgress(progress);
}

void MainWindow::showProgressBar1(bool visible) {
    ProgressBar1->setVisible(visible);
}

void MainWindow::setProgressBar1(int maximum, int position) {
    ProgressBar1->setRange(0, std::max(maximum, 0));
    // A position past the end shows a full bar rather than keeping the previous one.
    ProgressBar1->setValue(std::clamp(position, 0, ProgressBar1->maximum()));
}

void MainWindow::setStatusText(const QString& text) {
    StatusBar1->setText(text);
}

void MainWindow::appendMemo1(const QString& line) {
    Memo1->appendPlainText(line);
}

int MainWindow::throttlePosition() const {
    return Throttle1->Position();
}

void MainWindow::setThrottlePosition(int position) {
    Throttle1->setPosition(position);
}

void MainWindow::setThrottleMin(int value) {
    Throttle1->setMin(value);
}

void MainWindow::setThrottleMax(int value) {
    Throttle1->setMax(value);
    // The notches go one at a time; the speed control's 300 steps also go by tens of rpm.
    const bool speed = value - Throttle1->Min() > SpeedControlSteps;
    Throttle1->setPageStep(speed ? SpeedPageStep : 1);
    Throttle1->setToolTip(speed ? QStringLiteral("Speed: the arrow keys move it by 1, Page Up "
                                                 "and Page Down by %1")
                                      .arg(SpeedPageStep)
                                : QString());
}

void MainWindow::setThrottleFrequency(int ticks) {
    Throttle1->setFrequency(ticks);
}

bool MainWindow::throttleFocusable() const {
    return canFocus(Throttle1);
}

void MainWindow::focusThrottle() {
    focusControl(Throttle1);
}

void MainWindow::setThrottleCaption(const QString& text) {
    LThrottle->setText(text);
}

int MainWindow::volumePosition() const {
    return Volume1->Position();
}

void MainWindow::setVolumePosition(int position) {
    Volume1->setPosition(position);
}

int MainWindow::soundTypeIndex() const {
    return SoundType->ItemIndex();
}

int MainWindow::hornTypeIndex() const {
    return HornType->ItemIndex();
}

void MainWindow::processMessages() {
    ws::processMessages();
}

void MainWindow::sleep(int ms) {
    sleepMs(ms);
}

EngineTimer& MainWindow::timer(int number) {
    switch (number) {
    case 1:
        return *Timer1;
    case 2:
        return *Timer2;
    case 3:
        return *Timer3;
    case 4:
        return *Timer4;
    default:
        throw std::invalid_argument("No sound timer " + std::to_string(number));
    }
}

SoundChannel& MainWindow::channel1() {
    // The channels exist from start-up to close; a handler that still runs after close fails
    // at the handler boundary instead of using a freed channel.
    if (!Channel1)
        throw std::logic_error("Channel1 is closed");
    return *Channel1;
}

SoundChannel& MainWindow::channel2() {
    if (!Channel2)
        throw std::logic_error("Channel2 is closed");
    return *Channel2;
}

} // namespace ws
