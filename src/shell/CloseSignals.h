// SIGTERM and SIGINT (a desktop logout, Ctrl+C) close the main window the way File > Exit
// does, so the settings are still written. The signal handler only writes a byte to a
// socket; the window's event loop reads it and closes the window.
#pragma once

class QWidget;

namespace ws {

// Catches the signals from the very start of the program, so that one which comes while the
// window is being built waits until the window can close.
void catchCloseSignals();

// From now on a caught signal closes `window` from its event loop.
void closeOnSignals(QWidget& window);

} // namespace ws
