// Folders and wave files dropped on the window: a folder opens as File > Open opens the one
// chosen in its browser, a wave file as File > Open wav file opens the one chosen in its
// dialog. Anything else, or more than one item, is refused while it is dragged, so the
// cursor says so before the button is let go.
#include "MainWindow.h"

#include "PathText.h"
#include "Toolkit.h"

#include <QAction>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

namespace ws {

namespace {

// The one local folder or wave file the drag carries, or a null string.
QString droppable(const QMimeData* data) {
    if (!data || !data->hasUrls() || data->urls().size() != 1 ||
        !data->urls().front().isLocalFile())
        return QString();
    const QString path = data->urls().front().toLocalFile();
    const QFileInfo info(path);
    if (info.isDir() || (info.isFile() && lowerExtension(path) == QStringLiteral(".wav")))
        return path;
    return QString();
}

} // namespace

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (droppable(event->mimeData()).isNull())
        event->ignore();
    else
        event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
    const QString path = droppable(event->mimeData());
    if (path.isNull()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    runHandler(this, [this, path] {
        if (QFileInfo(path).isDir())
            openAssetFolder(QDir::toNativeSeparators(stripTrailingDelimiter(path)));
        else
            enterSingleFileMode(path);
    });
}

void MainWindow::openAssetFolder(const QString& folder) {
    sound_.state().SingleFileMode = false;
    Throttle1->setEnabled(true);
    Open2->setText(lastName(folder));
    sound_.state().AssetFolder = folder + folderSeparator();
    soundSelect();
    assetFolderLabel();
}

} // namespace ws
