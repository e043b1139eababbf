// The dialog that picks one wave file to play on its own.
#pragma once

#include <QString>

class QWidget;

namespace ws {

// Shows the modal "Open" dialog in `folder`, listing folders and files ending in ".wav" in
// any letter case. The chosen file's full path, or a null string when the user cancels.
QString chooseWaveFile(QWidget* owner, const QString& folder);

} // namespace ws
