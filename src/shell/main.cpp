// Program entry: the device list, the application object, the main window, the message
// loop. SIGTERM and SIGINT close the window as File > Exit does (CloseSignals.h).
#include "Application.h"
#include "CloseSignals.h"
#include "MainWindow.h"
#include "Settings.h"
#include "audio/Mixer.h"

int main(int argc, char** argv) {
    ws::catchCloseSignals();
    ws::loadDeviceLists();
    ws::Application app(argc, argv);

    ws::StartOptions options;
    options.settingsFile = ws::locateSettingsFile(QCoreApplication::applicationFilePath());
    options.arguments = QCoreApplication::arguments().mid(1);

    ws::MainWindow window(options);
    ws::closeOnSignals(window);
    window.show();
    return app.exec();
}
