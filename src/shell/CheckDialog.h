// The asset checker's report in a dialog: the findings grouped by cause, the seam of every
// loop (failing ones first) and the loudness of the notches as pictures, with the report to
// copy or save. It opens within the screen its owner is on, centred on the owner.
#pragma once

#include "check/AssetCheck.h"

#include <QDialog>
#include <QMargins>
#include <QRect>
#include <QSize>

class QLabel;

namespace ws {

class CheckDialog : public QDialog {
    Q_OBJECT
public:
    // The size the dialog asks for; a smaller screen cuts it.
    static constexpr QSize WantedSize{820, 900};

    CheckDialog(const check::AssetReport& report, QWidget* owner);

private:
    void copyReport();
    void saveReport();
    void fitToScreen(QWidget* owner);

    check::AssetReport report_;
    QLabel* status_;
};

// The outer rectangle of a window that wants `wanted` (frame included): cut to `available`,
// centred on `owner` (on `available` when `owner` is empty), and moved wholly inside
// `available`.
QRect fittedFrame(QSize wanted, const QRect& owner, const QRect& available);

} // namespace ws
