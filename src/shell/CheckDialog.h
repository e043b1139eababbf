// The asset checker's report in a dialog: findings first, then the files and the limits,
// with the seam of every loop and the loudness of the notches as pictures.
#pragma once

#include "check/AssetCheck.h"

#include <QDialog>

namespace ws {

class CheckDialog : public QDialog {
    Q_OBJECT
public:
    CheckDialog(const check::AssetReport& report, QWidget* owner);
};

} // namespace ws
