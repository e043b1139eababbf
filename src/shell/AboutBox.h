// The about dialog: the program's icon, name and version, and a notice that it is free to
// install and use. Made once when the program starts and shown again on every request.
#pragma once

#include <QDialog>

namespace ws {

class AboutBox : public QDialog {
    Q_OBJECT
public:
    explicit AboutBox(QWidget* owner);
};

// Places `dialog` centred on `owner` by their outer sizes (a dialog wider than its owner
// reaches out to the left by half the difference, rounded toward zero) and shows it
// modally.
void showCentred(QDialog& dialog, const QWidget& owner);

} // namespace ws
