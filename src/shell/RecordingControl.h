// File > "Record to WAV...": asks for a file, records what the mixer hands the device from
// then on, and shows a red dot with the elapsed time in the status bar until the same item
// (then "Stop recording") is chosen, the window closes, or writing fails. A failure ends
// the recording with a box that says why; the file keeps what was written until then.
//
// Threads: the user-interface thread only (the recorder's writer thread is its own).
#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class QAction;
class QLabel;
class QStatusBar;
class QTimer;
class QWidget;

namespace ws {

class Mixer;
class WaveRecorder;

class RecordingControl : public QObject {
public:
    static constexpr int PollMs = 250;

    // `item` is the File menu's entry; `status` shows the closing summary.
    RecordingControl(QWidget* window, Mixer& mixer, QAction* item, QStatusBar* bar,
                     std::function<void(const QString&)> status);
    ~RecordingControl() override;

    bool recording() const { return recorder_ != nullptr; }
    // Starts a recording into `path` (no dialog); throws with the reason when it cannot.
    void start(const QString& path);
    // Ends the recording, if any, keeping what was written, and says so in the status with
    // the length written; a write that failed on the way is an error box instead. The window
    // calls it while its mixer is still there.
    void stop();

private:
    void itemClick();
    void poll();
    // Ends the recording and shows `why` in an error box.
    void fail(const QString& why);
    // What a recording that ended in a write failure says.
    static QString writeFailure(const WaveRecorder& recorder);
    // Tells how long `done` got, in the status, and `why` it stopped, in an error box.
    void report(const WaveRecorder& done, const QString& why);
    // Ends the recording (the caller checks that there is one) and hands back the finished
    // recorder, whose counts and failure are final.
    std::unique_ptr<WaveRecorder> finishRecorder();
    void showState();

    QWidget* window_;
    Mixer& mixer_;
    QAction* item_;
    QLabel* indicator_;
    QTimer* timer_;
    std::function<void(const QString&)> status_;
    std::unique_ptr<WaveRecorder> recorder_;
    QString folder_; // where the last recording went
};

// "m:ss", or "h:mm:ss" from an hour on.
QString elapsedText(double seconds);

} // namespace ws
