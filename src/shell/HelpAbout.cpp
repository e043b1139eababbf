// Help > Help and Help > About. Help opens a compiled help file found from the working
// directory where there is one, and otherwise the manual the program carries, handed to the
// desktop's viewer. Where the desktop cannot open it, the manual is shown in a window of the
// program's own.
#include "MainWindow.h"

#include "AboutBox.h"
#include "HelpWindow.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QUrl>

namespace ws {

namespace {

// The manual, written out where a viewer can read it: afresh every time, so that it
// always matches the program that shows it.
QString writtenManual() {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                           QStringLiteral("/Whistlestop/help");
    const QString path = folder + QStringLiteral("/whistlestop.html");
    QFile manual(QStringLiteral(":/help/whistlestop.html"));
    if (!QDir().mkpath(folder) || !manual.open(QIODevice::ReadOnly))
        return QString();
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(manual.readAll()) < 0 ||
        !out.flush())
        return QString();
    return path;
}

} // namespace

void MainWindow::Help2Click() {
    QString document;
    for (const QString& name :
         {QStringLiteral("help/whistlestop.chm"), QStringLiteral("whistlestop.chm")}) {
        if (QFileInfo(name).isFile()) {
            document = QFileInfo(name).absoluteFilePath();
            break;
        }
    }
    if (document.isEmpty())
        document = writtenManual();
    if (document.isEmpty() || !QDesktopServices::openUrl(QUrl::fromLocalFile(document)))
        showManualWindow(this);
}

void MainWindow::About1Click() {
    showCentred(*AboutBox1, *this);
}

} // namespace ws
