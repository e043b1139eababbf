// The dialogs that pick a wave file: one to play on its own, one to record into.
#pragma once

#include <QString>

class QWidget;

namespace ws {

// Shows the modal "Open" dialog in `folder`, listing folders and files ending in ".wav" in
// any letter case. The chosen file's full path, or a null string when the user cancels.
QString chooseWaveFile(QWidget* owner, const QString& folder);

// Shows the modal "Record to WAV" dialog in `folder`, offering "recording.wav" and adding
// ".wav" to a name typed without it. The chosen path, or a null string on cancel.
QString chooseRecordingFile(QWidget* owner, const QString& folder);

} // namespace ws
