// SIGTERM and SIGINT (a desktop logout, Ctrl+C) close the main window the way File > Exit
// does, so the settings are still written, and end the program. The signal handler only
// writes a byte to a socket; the event loop reads it, cancels whatever box the program
// shows (a start-up message, a handler's error box, a dialog), and closes the window.
#pragma once

class QWidget;

namespace ws {

// Catches the signals from the very start of the program, so that one which comes before
// the event loop can take it waits until it can.
void catchCloseSignals();

// Once the application object exists: from now on a caught signal cancels every modal box,
// now and as later steps open more, also while the window is still being made.
void watchCloseSignals();

// From now on a caught signal closes `window` from its event loop. A signal that came while
// the window was being made closes it at once: then the result is false, and the program
// ends without entering its event loop.
bool closeOnSignals(QWidget& window);

} // namespace ws
