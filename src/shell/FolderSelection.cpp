// File > Open and the recent-folder entry: choosing the asset folder.
#include "FolderBrowser.h"
#include "MainWindow.h"
#include "PathText.h"
#include "Toolkit.h"

#include <QAction>
#include <QFileInfo>

namespace ws {

namespace {
// On Windows a path that begins with a separator has no drive and is left as it is; on
// Linux that is every absolute path.
constexpr bool isWindowsStyleRootless() {
#ifdef Q_OS_WIN
    return true;
#else
    return false;
#endif
}
} // namespace

void MainWindow::Open1Click() {
    sound_.state().SingleFileMode = false;
    Throttle1->setEnabled(true);

    QString start = stripTrailingDelimiter(sound_.state().AssetFolder);
    if (!QFileInfo(start).isDir()) {
        // Up one level by text alone; the parent is not tested again.
        qsizetype first = -1;
        for (qsizetype i = 0; i < start.size(); ++i) {
            if (isPathSeparator(start[i])) {
                first = i;
                break;
            }
        }
        if (first < 0) {
            start.clear();
        } else if (first > 0 || !isWindowsStyleRootless()) {
            for (qsizetype n = start.size(); n > 0 && !start.isEmpty(); --n) {
                start.chop(1);
                if (!start.isEmpty() && isPathSeparator(start.back())) {
                    start.chop(1);
                    break;
                }
            }
            // On Linux every absolute path begins with the root's separator, which plays the
            // part of a drive: a folder directly below it has the root as its parent.
            if (start.isEmpty() && first == 0)
                start = QString(folderSeparator());
        }
    }

    QString folder = start;
    if (!browseForFolder(this,
                         QStringLiteral("Find a sound asset folder") + QChar(u'\r') +
                             QStringLiteral("or press \"cancel\"."),
                         QString(), folder))
        return;

    openAssetFolder(folder);
}

void MainWindow::Open2Click() {
    if (!sound_.state().AssetFolder.isEmpty() && QFileInfo(sound_.state().AssetFolder).isDir()) {
        sound_.state().SingleFileMode = false;
        Throttle1->setEnabled(true);
        soundSelect();
        assetFolderLabel();
    } else {
        sound_.state().AssetFolder.clear();
        Open2->setText(QString());
    }
}

} // namespace ws
