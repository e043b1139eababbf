// The recording's menu item, dialog, status indicator and endings; see RecordingControl.h.
#include "RecordingControl.h"

#include "Toolkit.h"
#include "WaveFileDialog.h"
#include "audio/Mixer.h"
#include "audio/WaveRecorder.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTimer>

#include <cmath>

namespace ws {

namespace {

const QString StartCaption = QStringLiteral("Record to WAV...");
const QString StopCaption = QStringLiteral("Stop recording");

} // namespace

QString elapsedText(double seconds) {
    const long long whole = std::max(0LL, static_cast<long long>(std::floor(seconds)));
    const long long h = whole / 3600, m = whole / 60 % 60, s = whole % 60;
    if (h > 0)
        return QStringLiteral("%1:%2:%3")
            .arg(h)
            .arg(m, 2, 10, QChar('0'))
            .arg(s, 2, 10, QChar('0'));
    return QStringLiteral("%1:%2").arg(m).arg(s, 2, 10, QChar('0'));
}

RecordingControl::RecordingControl(QWidget* window, Mixer& mixer, QAction* item, QStatusBar* bar,
                                   std::function<void(const QString&)> status)
    : QObject(window), window_(window), mixer_(mixer), item_(item), indicator_(new QLabel(bar)),
      timer_(new QTimer(this)), status_(std::move(status)) {
    item_->setText(StartCaption);
    indicator_->setObjectName("RecordingIndicator");
    indicator_->setTextFormat(Qt::RichText);
    indicator_->hide();
    bar->addPermanentWidget(indicator_);
    timer_->setInterval(PollMs);
    connect(timer_, &QTimer::timeout, this, handler(window_, [this] { poll(); }));
    connect(item_, &QAction::triggered, this, handler(window_, [this] { itemClick(); }));
    const QString music = QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
    folder_ = QDir(music).exists() ? music : QDir::homePath();
}

RecordingControl::~RecordingControl() {
    // The mixer may be gone by now (the window's members go before its children); a
    // closed tap is one the device no longer writes to.
    if (recorder_)
        recorder_->finish();
}

void RecordingControl::itemClick() {
    if (recording()) {
        stop();
        return;
    }
    // Without a sound output nothing could be recorded: that is told before a file is asked for.
    mixer_.soundDevice();
    const QString path = chooseRecordingFile(window_, folder_);
    if (!path.isEmpty())
        start(path);
}

void RecordingControl::start(const QString& path) {
    if (recording())
        return;
    // The device runs from here on, so the recording follows the clock of what is heard,
    // silence included.
    WaveFormat format;
    mixer_.soundDevice().primaryFormat(&format);
    recorder_ =
        std::make_unique<WaveRecorder>(QDir::toNativeSeparators(path).toStdString(), format);
    mixer_.setOutputTap(recorder_->tap());
    folder_ = QFileInfo(path).absolutePath();
    item_->setText(StopCaption);
    timer_->start();
    showState();
}

void RecordingControl::stop() {
    if (!recording())
        return;
    // Finished first: the last fades and the final drain count, and so does a write that
    // failed in them or after the last poll.
    const auto done = finishRecorder();
    if (done->failed()) {
        report(*done, writeFailure(*done));
        return;
    }
    const uint64_t dropped = done->framesDropped();
    const double rate = done->tap()->format().nSamplesPerSec;
    QString text =
        QStringLiteral("Recorded %1 to %2")
            .arg(elapsedText(done->secondsWritten()), QString::fromStdString(done->path()));
    if (dropped > 0)
        text += QStringLiteral(" (%1 ms could not be written in time and are missing)")
                    .arg(std::llround(dropped * 1000.0 / rate));
    status_(text + QLatin1Char('.'));
}

void RecordingControl::poll() {
    if (!recording())
        return;
    if (recorder_->failed()) {
        fail(writeFailure(*recorder_));
        return;
    }
    if (recorder_->formatChanged()) {
        fail(QStringLiteral("The recording stopped: the output device now plays in another "
                            "format. What was recorded until then is kept in \"%1\".")
                 .arg(QString::fromStdString(recorder_->path())));
        return;
    }
    showState();
}

QString RecordingControl::writeFailure(const WaveRecorder& recorder) {
    // The library's reasons end in a full stop of their own.
    QString reason = QString::fromStdString(recorder.failure());
    while (reason.endsWith(QLatin1Char('.')))
        reason.chop(1);
    return QStringLiteral("The recording stopped: could not write to \"%1\": %2. What was "
                          "recorded until then is kept.")
        .arg(QString::fromStdString(recorder.path()), reason);
}

void RecordingControl::fail(const QString& why) {
    // Ended before the box, so the timer's next runs during the box find nothing to do.
    report(*finishRecorder(), why);
}

void RecordingControl::report(const WaveRecorder& done, const QString& why) {
    status_(QStringLiteral("Recorded %1 to %2; the recording stopped.")
                .arg(elapsedText(done.secondsWritten()), QString::fromStdString(done.path())));
    showError(window_, why);
}

std::unique_ptr<WaveRecorder> RecordingControl::finishRecorder() {
    auto done = std::move(recorder_);
    // The device plays the fades of sounds just stopped into the tap before it lets go.
    mixer_.setOutputTap(nullptr);
    done->finish();
    timer_->stop();
    showState();
    return done;
}

void RecordingControl::showState() {
    if (!recorder_) {
        item_->setText(StartCaption);
        indicator_->hide();
        return;
    }
    indicator_->setText(QStringLiteral("<span style=\"color:#d00000\">&#9679;</span> %1")
                            .arg(elapsedText(recorder_->secondsWritten())));
    indicator_->setToolTip(
        QStringLiteral("Recording to %1").arg(QString::fromStdString(recorder_->path())));
    indicator_->show();
}

} // namespace ws
