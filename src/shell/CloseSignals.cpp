// The signal-to-event-loop bridge; see CloseSignals.h.
#include "CloseSignals.h"

#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>
#include <QWidget>

#include <cerrno>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>
#include <utility>

namespace ws {

namespace {
// [0] is written by the signal handler, [1] read by the event loop. Both ends never block:
// a signal handler that blocked on a full socket would hang the thread that has to empty
// it, and one pending byte is enough to close the window.
int signalSocket[2] = {-1, -1};

QPointer<QSocketNotifier> notifier;
QPointer<QWidget> target;  // the window a signal closes
bool closeWaiting = false; // a signal came before there was a window to close

void onSignal(int) {
    // The interrupted code may be about to read errno, and a write to a full socket sets it.
    const int savedErrno = errno;
    const char c = 1;
    // Only async-signal-safe calls here; the event loop does the rest.
    [[maybe_unused]] ssize_t n = ::write(signalSocket[0], &c, 1);
    errno = savedErrno;
}

// A handler waiting in a box or a dialog (a start-up message, the installer's folder
// browser, an error box) would hold the close until a user answered; the session ending is
// no user. Every box is cancelled, now and as later steps open more: until the window has
// gone, or for the rest of the program when it came before the window.
void dismissBoxes(QObject* owner) {
    auto* dismiss = new QTimer(owner);
    QObject::connect(dismiss, &QTimer::timeout, owner, [] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            if (auto* dialog = qobject_cast<QDialog*>(modal))
                dialog->reject();
            else
                modal->close();
        }
    });
    dismiss->start(50);
}

void onSignalRead() {
    // Every signal that came so far asks for the same close.
    char buffer[64];
    while (::read(signalSocket[1], buffer, sizeof buffer) > 0) {
    }
    if (!target) {
        closeWaiting = true;
        dismissBoxes(qApp);
        return;
    }
    dismissBoxes(target);
    target->close();
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

void watchCloseSignals() {
    if (signalSocket[1] < 0 || notifier)
        return;
    notifier = new QSocketNotifier(signalSocket[1], QSocketNotifier::Read, qApp);
    QObject::connect(notifier, &QSocketNotifier::activated, qApp, [] { onSignalRead(); });
}

bool closeOnSignals(QWidget& window) {
    watchCloseSignals();
    target = &window;
    if (!std::exchange(closeWaiting, false))
        return true;
    window.close();
    return false;
}

} // namespace ws
