// The simulator versions and the launcher batch file; see OpenWithBatch.h.
#include "OpenWithBatch.h"

#include "WinePaths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <stdexcept>

namespace ws {

namespace {

[[noreturn]] void fail(const QString& what, const QString& path, const QString& reason) {
    throw std::runtime_error(QStringLiteral("%1 \"%2\": %3")
                                 .arg(what, QDir::toNativeSeparators(path), reason)
                                 .toStdString());
}

// The file's text is 8-bit; a name it cannot spell would start nothing.
QByteArray eightBit(const QString& text, const QString& path) {
#ifdef Q_OS_WIN
    const QByteArray bytes = text.toLocal8Bit();
    if (QString::fromLocal8Bit(bytes) == text)
        return bytes;
#else
    bool latin1 = true;
    for (QChar c : text)
        latin1 = latin1 && c.unicode() < 256;
    if (latin1)
        return text.toLatin1();
#endif
    fail(QStringLiteral("Cannot write"), path,
         QStringLiteral("the program's path \"%1\" cannot be written in its 8-bit text").arg(text));
}

} // namespace

const std::array<SimulatorVersion, 3>& simulatorVersions() {
    static const std::array<SimulatorVersion, 3> versions{{
        {QStringLiteral("TS2009"),
         {QStringLiteral("C:\\Program Files\\Auran\\TS2009"),
          QStringLiteral("C:\\Program Files (x86)\\Auran\\TS2009")},
         QStringLiteral("Auran")},
        {QStringLiteral("TS2010"),
         {QStringLiteral("C:\\Program Files\\Auran\\TS2010"),
          QStringLiteral("C:\\Program Files (x86)\\Auran\\TS2010")},
         QStringLiteral("Auran")},
        {QStringLiteral("TS12"),
         {QStringLiteral("C:\\Program Files\\Auran\\TS12"),
          QStringLiteral("C:\\Program Files (x86)\\Auran\\TS12"),
          QStringLiteral("C:\\Program Files\\N3V Games\\TS12"),
          QStringLiteral("C:\\Program Files (x86)\\N3V Games\\TS12")},
         QStringLiteral("N3V Games")},
    }};
    return versions;
}

QString launcherProgram(const QString& program) {
#ifdef Q_OS_WIN
    return QDir::toNativeSeparators(program);
#else
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                           QStringLiteral("/Whistlestop");
    const QString link = folder + QStringLiteral("/whistlestop.exe");
    if (!QDir().mkpath(folder))
        fail(QStringLiteral("Cannot make the launcher link"), link,
             QStringLiteral("its folder cannot be created"));
    // A link left by an earlier install may point to where the program no longer is.
    const QFileInfo old(link);
    if (old.isSymLink() || old.exists()) {
        QFile stale(link);
        if (!stale.remove())
            fail(QStringLiteral("Cannot make the launcher link"), link, stale.errorString());
    }
    QFile target(program);
    if (!target.link(link))
        fail(QStringLiteral("Cannot make the launcher link"), link, target.errorString());
    return wineNameOf(link);
#endif
}

void WriteOpenWithBatch(const QString& path, const QString& program) {
    QByteArray text = "@echo off\r\n\"";
    text += eightBit(program, path);
    text += "\" %1%\r\n";
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        fail(QStringLiteral("Cannot write"), path, file.errorString());
    if (file.write(text) != text.size() || !file.flush())
        fail(QStringLiteral("Cannot write"), path, file.errorString());
    file.close();
    if (file.error() != QFileDevice::NoError)
        fail(QStringLiteral("Cannot write"), path, file.errorString());
}

} // namespace ws
