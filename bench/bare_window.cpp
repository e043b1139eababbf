// The start-up benchmark's baseline: an empty Qt main window of the program's size, with the
// same start-up probe as the program.
#include "shell/StartupProbe.h"

#include <QApplication>
#include <QMainWindow>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QMainWindow window;
    window.resize(515, 327);
    ws::probeStartup(&window);
    window.show();
    return app.exec();
}
