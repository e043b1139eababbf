// The application object; see Application.h.
#include "Application.h"

#include "Toolkit.h"

#include <exception>

namespace ws {

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("Whistlestop"));
    // No display name: the window system would append it to every window's caption, and the
    // main window's caption already names the program.
    setApplicationVersion(QStringLiteral("1.03"));
    setWindowIcon(QIcon(QStringLiteral(":/whistlestop.svg")));
    // Lets a desktop match the windows to the installed menu entry and its icon.
    setDesktopFileName(QStringLiteral("io.whistlestop.Whistlestop"));
}

bool Application::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        showError(activeWindow(), QString::fromUtf8(e.what()));
    } catch (...) {
        showError(activeWindow(), QStringLiteral("Unknown error"));
    }
    return false;
}

} // namespace ws
