// The simulator versions and the launcher batch file; see OpenWithBatch.h.
#include "OpenWithBatch.h"

#include "WinePaths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <algorithm>
#include <stdexcept>

namespace ws {

namespace {

[[noreturn]] void fail(const QString& what, const QString& path, const QString& reason) {
    throw std::runtime_error(QStringLiteral("%1 \"%2\": %3")
                                 .arg(what, QDir::toNativeSeparators(path), reason)
                                 .toStdString());
}

// Printable ASCII without a double quote: what cmd reads back from a batch file as written,
// once a "%" is doubled.
bool readsBackAsWritten(const QString& name) {
    return std::all_of(name.begin(), name.end(), [](QChar c) {
        return c.unicode() >= 0x20 && c.unicode() <= 0x7E && c != QLatin1Char('"');
    });
}

// The program's name as cmd reads it back. Cmd reads a batch file in the console's code page,
// which spells only ASCII alike everywhere, and expands "%...%" pairs anywhere on a line; a
// double quote would end the quoted name. A name cmd would not read back as written is
// refused here rather than written as a launcher that starts nothing.
QByteArray batchSpelling(const QString& program, const QString& path) {
    for (QChar c : program) {
        if (c == QLatin1Char('"'))
            fail(QStringLiteral("Cannot write"), path,
                 QStringLiteral("the program's path \"%1\" holds a double quote, which a "
                                "launcher cannot quote")
                     .arg(program));
        if (c.unicode() < 0x20 || c.unicode() > 0x7E)
            fail(QStringLiteral("Cannot write"), path,
                 QStringLiteral("the program's path \"%1\" holds characters other than ASCII, "
                                "which the command interpreter does not read back from a "
                                "batch file as written")
                     .arg(program));
    }
    QByteArray bytes = program.toLatin1();
    bytes.replace("%", "%%");
    return bytes;
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
    QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                     QStringLiteral("/Whistlestop");
    QString name = wineNameOf(folder + QStringLiteral("/whistlestop.exe"));
    if (!readsBackAsWritten(name)) {
        // A data folder cmd cannot read back (a home folder named in another script): the
        // link goes on the prefix's own C: drive instead, whose name is ASCII wherever the
        // prefix lives. The simulators that run the batch file run in that prefix too.
        name = QStringLiteral("C:\\users\\Public\\Whistlestop\\whistlestop.exe");
        folder = simulatorDrivePath(QStringLiteral("C:\\users\\Public\\Whistlestop"));
    }
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
    return name;
#endif
}

void WriteOpenWithBatch(const QString& path, const QString& program) {
    QByteArray text = "@echo off\r\n\"";
    text += batchSpelling(program, path);
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
