// Program entry: the device list and the fonts (on threads of their own while the
// application object is made), the main window, the message loop, unless the command line
// asks for a check, help or the version. SIGTERM and SIGINT close the window as File > Exit
// does (CloseSignals.h).
#include "Application.h"
#include "CloseSignals.h"
#include "CommandLine.h"
#include "MainWindow.h"
#include "Settings.h"
#include "StartupProbe.h"
#include "StartupWork.h"
#include "audio/Mixer.h"
#include "audio/SdlSoundSystem.h"

#include <csignal>
#include <optional>

int main(int argc, char** argv) {
    // Checking a folder, help and version need no window and no display.
    if (const std::optional<int> done = ws::runCommandLine(argc, argv))
        return *done;
    ws::catchCloseSignals();
    ws::SdlSoundSystem::prepareProcess();
#ifdef SIGXFSZ
    // A recording that meets a file size limit ends with a message, not with the program.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    ws::StartupWork work;
    ws::Application app(argc, argv);
    // A signal during start-up cancels the boxes it shows (a bad argument, a folder of no
    // sound type) and then closes the window as soon as it is made.
    ws::watchCloseSignals();
    work.finish();

    ws::StartOptions options;
    options.settingsFile = ws::locateSettingsFile(QCoreApplication::applicationFilePath());
    options.arguments = QCoreApplication::arguments().mid(1);

    ws::MainWindow window(options);
    if (!ws::closeOnSignals(window))
        return 0;
    // The program ends with its window, also when a box opened after the close began is
    // still up: Qt's own rule would wait for the last window, and a box never ends it.
    QObject::connect(&window, &ws::MainWindow::closed, &app, [] { QCoreApplication::exit(0); });
    ws::probeStartup(&window);
    window.show();
    return app.exec();
}
