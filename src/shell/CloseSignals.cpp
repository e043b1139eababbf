// The signal-to-event-loop bridge; see CloseSignals.h.
#include "CloseSignals.h"

#include <QApplication>
#include <QDialog>
#include <QSocketNotifier>
#include <QTimer>
#include <QWidget>

#include <cerrno>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace ws {

namespace {
// [0] is written by the signal handler, [1] read by the event loop. Both ends never block:
// a signal handler that blocked on a full socket would hang the thread that has to empty
// it, and one pending byte is enough to close the window.
int signalSocket[2] = {-1, -1};

void onSignal(int) {
    // The interrupted code may be about to read errno, and a write to a full socket sets it.
    const int savedErrno = errno;
    const char c = 1;
    // Only async-signal-safe calls here; the event loop does the rest.
    [[maybe_unused]] ssize_t n = ::write(signalSocket[0], &c, 1);
    errno = savedErrno;
}
} // namespace

void catchCloseSignals() {
    if (signalSocket[0] < 0 &&
        ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, signalSocket) != 0)
        return;
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}

void closeOnSignals(QWidget& window) {
    if (signalSocket[1] < 0)
        return;
    auto* notifier = new QSocketNotifier(signalSocket[1], QSocketNotifier::Read, &window);
    QObject::connect(notifier, &QSocketNotifier::activated, &window, [&window] {
        // Every signal that came so far asks for the same close.
        char buffer[64];
        while (::read(signalSocket[1], buffer, sizeof buffer) > 0) {
        }
        // A handler waiting in a box or a dialog (the installer's folder browser, an error
        // box) would hold the close until a user answered; the session ending is no user.
        // Every box is cancelled, now and as later steps of that handler open more, until
        // the window has closed.
        auto* dismiss = new QTimer(&window);
        QObject::connect(dismiss, &QTimer::timeout, &window, [] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                if (auto* dialog = qobject_cast<QDialog*>(modal))
                    dialog->reject();
                else
                    modal->close();
            }
        });
        dismiss->start(50);
        window.close();
    });
}

} // namespace ws
