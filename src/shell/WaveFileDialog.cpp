// The wave-file dialog; see WaveFileDialog.h.
#include "WaveFileDialog.h"

#include <QFileDialog>

namespace ws {

namespace {

// Qt's own dialog matches "*.wav" in any letter case, as Windows does; a desktop's dialog
// may not.
QString runWaveDialog(QFileDialog& dialog) {
#ifndef Q_OS_WIN
    dialog.setOption(QFileDialog::DontUseNativeDialog);
#endif
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().front();
}

} // namespace

QString chooseWaveFile(QWidget* owner, const QString& folder) {
    QFileDialog dialog(owner, QStringLiteral("Open"), folder, QStringLiteral("Wave Files (*.wav)"));
    dialog.setObjectName("OpenDialog1");
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    return runWaveDialog(dialog);
}

QString chooseRecordingFile(QWidget* owner, const QString& folder) {
    QFileDialog dialog(owner, QStringLiteral("Record to WAV"), folder,
                       QStringLiteral("Wave Files (*.wav)"));
    dialog.setObjectName("RecordDialog");
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QStringLiteral("wav"));
    dialog.selectFile(QStringLiteral("recording.wav"));
    return runWaveDialog(dialog);
}

} // namespace ws
