// Program entry: the device list, the application object, the main window, the message
// loop. SIGTERM and SIGINT close the window as File > Exit does, so a desktop logout or a
// Ctrl+C still writes the settings.
#include "Application.h"
#include "MainWindow.h"
#include "Settings.h"
#include "audio/Mixer.h"

#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {
// Written by the signal handler, read by the event loop.
int signalPipe[2] = {-1, -1};

void onSignal(int) {
    const char c = 1;
    // Only async-signal-safe calls here; the event loop does the rest.
    [[maybe_unused]] ssize_t n = ::write(signalPipe[0], &c, 1);
}

// Caught from the very start, so a signal that comes while the window is being built is
// kept until the event loop can close the window.
void catchCloseSignals() {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0)
        return;
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}

void closeOnSignals(ws::MainWindow& window) {
    if (signalPipe[1] < 0)
        return;
    auto* notifier = new QSocketNotifier(signalPipe[1], QSocketNotifier::Read, &window);
    QObject::connect(notifier, &QSocketNotifier::activated, &window, [&window] {
        char c;
        [[maybe_unused]] ssize_t n = ::read(signalPipe[1], &c, 1);
        window.close();
    });
}
} // namespace

int main(int argc, char** argv) {
    catchCloseSignals();
    ws::loadDeviceLists();
    ws::Application app(argc, argv);

    ws::StartOptions options;
    options.settingsFile = ws::locateSettingsFile(QCoreApplication::applicationFilePath());
    options.arguments = QCoreApplication::arguments().mid(1);

    ws::MainWindow window(options);
    closeOnSignals(window);
    window.show();
    return app.exec();
}
