// The manual in a window of the program's own, for desktops that cannot open it: no opener
// installed, or one that fails.
#pragma once

class QWidget;

namespace ws {

// Shows the manual the program carries beside `owner`, or raises the window that shows it.
void showManualWindow(QWidget* owner);

} // namespace ws
