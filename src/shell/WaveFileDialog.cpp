// The wave-file dialog; see WaveFileDialog.h.
#include "WaveFileDialog.h"

#include <QFileDialog>

namespace ws {

QString chooseWaveFile(QWidget* owner, const QString& folder) {
    QFileDialog dialog(owner, QStringLiteral("Open"), folder, QStringLiteral("Wave Files (*.wav)"));
    dialog.setObjectName("OpenDialog1");
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
#ifndef Q_OS_WIN
    // Qt's own dialog matches "*.wav" in any letter case, as Windows does; a desktop's
    // dialog may not.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
#endif
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().front();
}

} // namespace ws
