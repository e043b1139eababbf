// Setup > Open With and Remove Open Withs, and the start-up trigger: the launcher batch file
// in each simulator version's content-manager tools folder, so that the content manager can
// start this program on an asset folder.
#include "MainWindow.h"

#include "FolderBrowser.h"
#include "OpenWithBatch.h"
#include "Toolkit.h"
#include "WinePaths.h"
#include "sim/SoundAsset.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPlainTextEdit>

#include <exception>

namespace ws {

namespace {

const QString NotFound = QStringLiteral("NotFound");

// The version's first default root that exists as a folder here, or a null string.
QString defaultRoot(const SimulatorVersion& version) {
    for (const QString& root : version.defaultRoots) {
        const QString here = simulatorDrivePath(root);
        if (QFileInfo(here).isDir())
            return here;
    }
    return QString();
}

QString nativeFolder(const QString& path) {
    return QDir::toNativeSeparators(QDir::cleanPath(path));
}

} // namespace

QString& MainWindow::simulatorFolder(std::size_t version) {
    switch (version) {
    case 0:
        return TS2009Folder;
    case 1:
        return TS2010Folder;
    default:
        return TS12Folder;
    }
}

void MainWindow::Timer5Timer() {
    Timer5->setEnabled(false);
    if (sound_.state().SingleFileMode)
        setStatusText(QStringLiteral("   ** Press \"Start\" to play sound. **"));
    else
        SetOpenWith();
}

void MainWindow::OpenWith1Click() {
    for (std::size_t v = 0; v < simulatorVersions().size(); ++v)
        simulatorFolder(v).clear();
    SetOpenWith();
}

void MainWindow::SetOpenWith() {
    setClientWidth(WideWidth);
    Memo1->show();
    if (TS2009Folder.isEmpty() || TS2010Folder.isEmpty() || TS12Folder.isEmpty()) {
        Memo1->clear();
        setStatusText(QString());
    }
    QString launcher; // made once, at the first batch file
    for (std::size_t v = 0; v < simulatorVersions().size(); ++v) {
        const SimulatorVersion& version = simulatorVersions()[v];
        QString& folder = simulatorFolder(v);
        if (!folder.isEmpty())
            continue;
        folder = defaultRoot(version);
        if (folder.isNull()) {
            if (v == 0) {
                Memo1->clear();
            } else {
                appendMemo1(QString());
                appendMemo1(QString());
            }
            appendMemo1(
                QStringLiteral("Locate the %1 application folder (usually").arg(version.name));
            appendMemo1(
                QStringLiteral(" ..Program Files\\%1\\%2.").arg(version.maker, version.name));
            appendMemo1(QStringLiteral("If you don't have %1 press \"cancel\".").arg(version.name));
            // The prompt is read before the browser covers the window.
            Memo1->repaint();
            sleep(2000);
            QString chosen = simulatorDrivePath(version.defaultRoots[1]);
            const QString title =
                QStringLiteral("Find %1 Root Folder").arg(version.name) + QChar(u'\r') +
                QStringLiteral("If you don't have %1 press \"cancel\".").arg(version.name);
            folder = browseForFolder(this, title, QString(), chosen) ? chosen : QString();
        }
        const QString tools = folder.isEmpty() ? QString() : assetFolderPath(folder, ToolsFolder);
        if (tools.isNull()) {
            folder = NotFound;
            continue;
        }
        folder = nativeFolder(folder);
        QString install = assetFolderPath(tools, InstallFolderName);
        if (install.isNull()) {
            install = tools + QLatin1Char('/') + InstallFolderName;
            QDir().mkdir(install); // a failure shows when the batch file is written
        }
        const QString existing = assetFilePath(install, BatchFileName);
        const QString batch =
            existing.isNull() ? install + QLatin1Char('/') + BatchFileName : existing;
        try {
            if (launcher.isNull())
                launcher = launcherProgram(QCoreApplication::applicationFilePath());
            WriteOpenWithBatch(batch, launcher);
        } catch (const std::exception& e) {
            // Said at once, and the other versions are still handled. The version keeps the
            // root found, so Setup > Open With can try it again.
            showError(this, QString::fromUtf8(e.what()));
            continue;
        }
        appendMemo1(QStringLiteral("%1 OpenWith Macro loaded").arg(version.name));
        const QString done = version.name + QLatin1Char(' ');
        setStatusText(v == 0 ? done : statusText() + done);
    }
    setClientWidth(LayoutWidth);
    Memo1->hide();
    if (statusText().isEmpty())
        setStatusText(QStringLiteral("NO "));
    setStatusText(statusText() + QStringLiteral("OpenWith Macro/s loaded"));
}

void MainWindow::RemoveOpenWiths1Click() {
    setStatusText(QStringLiteral("No "));
    QStringList kept;
    for (std::size_t v = 0; v < simulatorVersions().size(); ++v) {
        const SimulatorVersion& version = simulatorVersions()[v];
        QString& folder = simulatorFolder(v);
        const QString batch =
            folder.isEmpty()
                ? QString()
                : assetFilePath(folder, ToolsFolder + QLatin1Char('/') + InstallFolderName +
                                            QLatin1Char('/') + BatchFileName);
        if (batch.isNull())
            continue;
        if (!QFile::remove(batch)) {
            // Not counted as removed: the content manager still offers it.
            kept << version.name;
            continue;
        }
        folder = NotFound;
        const QString done = version.name + QLatin1Char(' ');
        if (v == 0 || statusText() == QStringLiteral("No "))
            setStatusText(done);
        else
            setStatusText(statusText() + done);
    }
    QString status = statusText() + QStringLiteral("Open With Macros REMOVED.");
    if (!kept.isEmpty())
        status += QStringLiteral(" %1 could not be removed.").arg(kept.join(QLatin1Char(' ')));
    setStatusText(status);
}

} // namespace ws
