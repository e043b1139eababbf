// The start-up probe; see StartupProbe.h.
#include "StartupProbe.h"

#include <QEvent>
#include <QTimer>
#include <QWidget>

#include <cstdio>

namespace ws {

namespace {

class FirstPaint : public QObject {
public:
    explicit FirstPaint(QWidget* window) : QObject(window), window_(window) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == window_ && event->type() == QEvent::Paint && !seen_) {
            seen_ = true;
            // Once this paint has been handled and its frame handed to the platform.
            QTimer::singleShot(0, window_, [w = window_] {
                std::fputs("shown\n", stdout);
                std::fflush(stdout);
                w->close();
            });
        }
        return false;
    }

private:
    QWidget* window_;
    bool seen_ = false;
};

} // namespace

void probeStartup(QWidget* window) {
    if (qEnvironmentVariableIsEmpty(StartupProbeVariable))
        return;
    window->installEventFilter(new FirstPaint(window));
}

} // namespace ws
