// File > Check asset folder: the checker run on the current asset folder, its report shown.
// The files are measured on a thread of their own, so that the window keeps painting and
// a playing sound keeps its timers while a large set is read.
#include "MainWindow.h"

#include "CheckDialog.h"
#include "Toolkit.h"
#include "check/AssetCheck.h"

#include <QCoreApplication>
#include <QProgressDialog>

#include <chrono>
#include <future>

namespace ws {

void MainWindow::CheckAssetFolderClick() {
    const QString folder = sound_.state().AssetFolder;
    if (folder.isEmpty()) {
        showMessage(this, QStringLiteral("Open an asset folder first (File > Open)."));
        return;
    }
    std::future<check::AssetReport> checking =
        std::async(std::launch::async, [folder] { return check::checkAssetFolder(folder); });
    {
        QProgressDialog progress(QStringLiteral("Checking the asset folder..."), QString(), 0, 0,
                                 this);
        progress.setWindowModality(Qt::WindowModal);
        progress.setMinimumDuration(300);
        while (checking.wait_for(std::chrono::milliseconds(20)) != std::future_status::ready)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    CheckDialog dialog(checking.get(), this);
    dialog.exec();
}

} // namespace ws
