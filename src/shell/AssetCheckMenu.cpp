// File > Check asset folder: the checker run on the current asset folder, its report shown.
#include "MainWindow.h"

#include "CheckDialog.h"
#include "Toolkit.h"
#include "check/AssetCheck.h"

#include <QApplication>
#include <QCursor>

namespace ws {

void MainWindow::CheckAssetFolderClick() {
    const QString folder = sound_.state().AssetFolder;
    if (folder.isEmpty()) {
        showMessage(this, QStringLiteral("Open an asset folder first (File > Open)."));
        return;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const check::AssetReport report = check::checkAssetFolder(folder);
    QApplication::restoreOverrideCursor();
    CheckDialog dialog(report, this);
    dialog.exec();
}

} // namespace ws
