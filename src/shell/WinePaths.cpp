// Drive letters under Wine; see WinePaths.h.
#include "WinePaths.h"

#include "sim/SoundAsset.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

namespace ws {

namespace {

// `root` followed by the components of the Windows path `rest`, each found without regard
// to letter case where it exists; the rest is joined as given. "." and ".." are resolved
// first, as Windows does, so that ".." at the drive's root stays there rather than leaving
// the drive.
QString belowCaseless(const QString& root, const QString& rest) {
    QStringList parts;
    for (const QString& part : QString(rest)
                                   .replace(QLatin1Char('\\'), QLatin1Char('/'))
                                   .split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (part == QLatin1String("..")) {
            if (!parts.isEmpty())
                parts.removeLast();
        } else if (part != QLatin1String(".")) {
            parts.append(part);
        }
    }
    QString path = root;
    while (!parts.isEmpty()) {
        const QString found = assetFolderPath(path, parts.front());
        if (found.isNull()) {
            const QString file = assetFilePath(path, parts.front());
            const QString tail = parts.join(QLatin1Char('/'));
            if (parts.size() == 1 && !file.isNull())
                return file;
            return QDir::cleanPath(path + QLatin1Char('/') + tail);
        }
        path = found;
        parts.removeFirst();
    }
    return QDir::cleanPath(path);
}

} // namespace

QString winePrefix() {
    const QString set = qEnvironmentVariable("WINEPREFIX");
    return set.isEmpty() ? QDir::homePath() + QStringLiteral("/.wine") : set;
}

bool isDrivePath(const QString& argument) {
    return argument.size() >= 3 && argument[0].isLetter() && argument[0].unicode() < 128 &&
           argument[1] == QLatin1Char(':') &&
           (argument[2] == QLatin1Char('\\') || argument[2] == QLatin1Char('/'));
}

QString simulatorDrivePath(const QString& windowsPath) {
#ifdef Q_OS_WIN
    return windowsPath;
#else
    if (!isDrivePath(windowsPath))
        return windowsPath;
    return belowCaseless(winePrefix() + QStringLiteral("/drive_c"), windowsPath.mid(3));
#endif
}

QString nativeFromDrivePath(const QString& argument) {
#ifdef Q_OS_WIN
    return argument;
#else
    if (!isDrivePath(argument))
        return argument;
    const QString link = winePrefix() + QStringLiteral("/dosdevices/") + argument.left(2).toLower();
    const QString drive = QFileInfo(link).canonicalFilePath();
    if (drive.isEmpty() || !QFileInfo(drive).isDir())
        return argument;
    return belowCaseless(drive, argument.mid(3));
#endif
}

QString wineNameOf(const QString& path) {
    QString name = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    name.replace(QLatin1Char('/'), QLatin1Char('\\'));
    return QStringLiteral("Z:") + name;
}

} // namespace ws
