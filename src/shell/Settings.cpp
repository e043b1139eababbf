// Loading, editing and writing the settings file. The file is UTF-8 text with CR LF line
// ends; it is written through a temporary file that replaces the old one only when complete,
// or in place where no temporary file can be made beside it.
#include "Settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <filesystem>
#include <limits>
#include <stdexcept>
#include <system_error>
#include <utility>

namespace ws {

namespace {

// Blanks and control characters count as white space at the ends of lines, names and values.
QString trimmed(QStringView text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin].unicode() <= 0x20)
        ++begin;
    while (end > begin && text[end - 1].unicode() <= 0x20)
        --end;
    return text.mid(begin, end - begin).toString();
}

// Lines end at CR, at LF, or at the pair CR LF.
QStringList splitLines(const QString& text) {
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c != QLatin1Char('\r') && c != QLatin1Char('\n'))
            continue;
        lines.append(text.mid(start, i - start));
        if (c == QLatin1Char('\r') && i + 1 < text.size() && text[i + 1] == QLatin1Char('\n'))
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        lines.append(text.mid(start));
    return lines;
}

bool holdsLineBreak(const QString& text) {
    return text.contains(QLatin1Char('\r')) || text.contains(QLatin1Char('\n'));
}

// The name part of a key line, or a null string for a line without "=".
QStringView keyOf(const QString& line) {
    const qsizetype eq = line.indexOf(QLatin1Char('='));
    return eq < 0 ? QStringView() : QStringView(line).left(eq);
}

// Strict conversion of the whole text: an optional sign and decimal digits, or "$" and
// hexadecimal digits (up to 32 bits, taken as a two's complement value).
bool convertInteger(const QString& text, int& result) {
    if (text.isEmpty())
        return false;
    if (text.startsWith(QLatin1Char('$'))) {
        const QString digits = text.mid(1);
        if (digits.isEmpty() || digits.size() > 8)
            return false;
        uint value = 0;
        for (QChar c : digits) {
            const char16_t d = c.unicode();
            uint digit = 0;
            if (d >= u'0' && d <= u'9')
                digit = d - u'0';
            else if (d >= u'a' && d <= u'f')
                digit = d - u'a' + 10;
            else if (d >= u'A' && d <= u'F')
                digit = d - u'A' + 10;
            else
                return false;
            value = value * 16 + digit;
        }
        result = static_cast<int>(value);
        return true;
    }
    qsizetype i = 0;
    bool negative = false;
    if (text[0] == QLatin1Char('+') || text[0] == QLatin1Char('-')) {
        negative = text[0] == QLatin1Char('-');
        i = 1;
    }
    if (i == text.size())
        return false;
    long long value = 0;
    for (; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9')
            return false;
        value = value * 10 + (c - u'0');
        if (value > 2147483648LL)
            return false;
    }
    if (negative)
        value = -value;
    if (value > std::numeric_limits<int>::max() || value < std::numeric_limits<int>::min())
        return false;
    result = static_cast<int>(value);
    return true;
}

[[noreturn]] void writeFailure(const QString& fileName, const QString& reason) {
    throw std::runtime_error(QStringLiteral("Cannot write the settings file %1: %2")
                                 .arg(QDir::toNativeSeparators(fileName), reason)
                                 .toStdString());
}

// Where no temporary file can be made beside the settings file, whatever the reason (a
// program folder closed to new files by its permissions or its attributes, a read-only
// mount that still lets the file be written, a name too long to take the temporary suffix),
// a file the user can write is still rewritten in place rather than left as it was. Only
// then is the old file at risk from a failed write, and the failure is thrown all the same.
void writeInPlace(const QString& fileName, const QByteArray& bytes, const QString& whyNoTemporary) {
    QFile file(fileName);
    const auto failed = [&] {
        return QStringLiteral("%1 (and through a temporary file: %2)")
            .arg(file.errorString(), whyNoTemporary);
    };
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        writeFailure(fileName, failed());
    if (file.write(bytes) != bytes.size() || !file.flush())
        writeFailure(fileName, failed());
    file.close();
    if (file.error() != QFileDevice::NoError)
        writeFailure(fileName, failed());
}

bool folderWritable(const QString& folder) {
    if (!QFileInfo(folder).isDir())
        return false;
    // Trying is the only reliable test: permissions alone do not show read-only file
    // systems, and the administrator may write anywhere else.
    QTemporaryFile probe(folder + QStringLiteral("/.whistlestop-probe-XXXXXX"));
    return probe.open();
}

} // namespace

Settings::Settings(QString fileName) : fileName_(std::move(fileName)) {
    load();
}

void Settings::load() {
    QFile file(fileName_);
    if (!file.open(QIODevice::ReadOnly))
        return;
    QString text = QString::fromUtf8(file.readAll());
    // Editors that save UTF-8 may put a byte-order mark first; it is not part of the text.
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);

    Section* current = nullptr;
    for (const QString& raw : splitLines(text)) {
        const QString line = trimmed(raw);
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')))
            continue;
        if (line.size() >= 2 && line.startsWith(QLatin1Char('[')) &&
            line.endsWith(QLatin1Char(']'))) {
            sections_.push_back(Section{trimmed(QStringView(line).mid(1, line.size() - 2)), {}});
            current = &sections_.back();
            continue;
        }
        if (!current)
            continue;
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq < 0)
            current->lines.append(line);
        else
            current->lines.append(trimmed(QStringView(line).left(eq)) + QLatin1Char('=') +
                                  trimmed(QStringView(line).mid(eq + 1)));
    }
}

const Settings::Section* Settings::findSection(const QString& name) const {
    for (const Section& s : sections_)
        if (s.name.compare(name, Qt::CaseInsensitive) == 0)
            return &s;
    return nullptr;
}

Settings::Section* Settings::findSection(const QString& name) {
    return const_cast<Section*>(std::as_const(*this).findSection(name));
}

QString Settings::readString(const QString& section, const QString& key,
                             const QString& defaultValue) const {
    const Section* s = findSection(section);
    if (!s)
        return defaultValue;
    for (const QString& line : s->lines) {
        const QStringView name = keyOf(line);
        if (!name.isNull() && name.compare(key, Qt::CaseInsensitive) == 0)
            return line.mid(name.size() + 1);
    }
    return defaultValue;
}

int Settings::readInteger(const QString& section, const QString& key, int defaultValue) const {
    QString text = readString(section, key, QString());
    if (text.size() > 2 &&
        (text.startsWith(QLatin1String("0x")) || text.startsWith(QLatin1String("0X"))))
        text.replace(0, 2, QLatin1Char('$'));
    int value = 0;
    return convertInteger(text, value) ? value : defaultValue;
}

void Settings::writeString(const QString& section, const QString& key, const QString& value) {
    if (holdsLineBreak(section) || holdsLineBreak(key) || holdsLineBreak(value))
        throw std::invalid_argument(QStringLiteral("A setting cannot hold a line break: [%1] %2")
                                        .arg(section, key)
                                        .toStdString());
    Section* s = findSection(section);
    if (!s) {
        sections_.push_back(Section{section, {}});
        s = &sections_.back();
    }
    const QString line = key + QLatin1Char('=') + value;
    for (QString& existing : s->lines) {
        const QStringView name = keyOf(existing);
        if (!name.isNull() && name.compare(key, Qt::CaseInsensitive) == 0) {
            existing = line;
            return;
        }
    }
    s->lines.append(line);
}

void Settings::writeInteger(const QString& section, const QString& key, int value) {
    writeString(section, key, QString::number(value));
}

void Settings::updateFile() const {
    QString text;
    const QLatin1String crlf("\r\n");
    for (const Section& s : sections_) {
        text += QLatin1Char('[') + s.name + QLatin1Char(']') + crlf;
        for (const QString& line : s.lines)
            text += line + crlf;
        text += crlf;
    }
    const QByteArray bytes = text.toUtf8();

    const QString folder = QFileInfo(fileName_).absolutePath();
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(folder.toStdU16String()), ec);
    if (ec)
        writeFailure(fileName_, QString::fromLocal8Bit(ec.message()));

    QSaveFile file(fileName_);
    if (!file.open(QIODevice::WriteOnly)) {
        writeInPlace(fileName_, bytes, file.errorString());
        return;
    }
    // A short write (a full disk, a size limit) can pass into the write buffer unnoticed and
    // would not stop the commit: flushing here is what reveals it.
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        writeFailure(fileName_, reason);
    }
    // Where temporary files are made without a name, the name is only given here, and it is
    // here that a name too long for the folder fails.
    if (!file.commit())
        writeInPlace(fileName_, bytes, file.errorString());
}

namespace {
// Where each remembered value lives in the file.
const QString OpenWithSection = QStringLiteral("OpenWith");
const QString Ts2009Key = QStringLiteral("TS2009dir");
const QString Ts2010Key = QStringLiteral("TS2010dir");
const QString Ts12Key = QStringLiteral("TS12dir");
const QString MruSection = QStringLiteral("MRU");
const QString CurrentDirKey = QStringLiteral("current_dir");
const QString PositionSection = QStringLiteral("Position");
const QString LeftKey = QStringLiteral("Left");
const QString TopKey = QStringLiteral("Top");
} // namespace

RememberedSettings loadSettings(const Settings& settings) {
    RememberedSettings values;
    values.ts2009Folder = settings.readString(OpenWithSection, Ts2009Key, QString());
    values.ts2010Folder = settings.readString(OpenWithSection, Ts2010Key, QString());
    values.ts12Folder = settings.readString(OpenWithSection, Ts12Key, QString());
    values.assetFolder = settings.readString(MruSection, CurrentDirKey, QStringLiteral("NotFound"));
    values.position = QPoint(settings.readInteger(PositionSection, LeftKey, 200),
                             settings.readInteger(PositionSection, TopKey, 150));
    return values;
}

void saveSettings(Settings& settings, const RememberedSettings& values) {
    // A folder whose name holds a line break cannot be stored in a line of the file. It is
    // written empty, as if never set, so that one odd name does not cost every other setting.
    const auto storable = [](const QString& value) {
        return holdsLineBreak(value) ? QString() : value;
    };
    settings.writeString(OpenWithSection, Ts2009Key, storable(values.ts2009Folder));
    settings.writeString(OpenWithSection, Ts2010Key, storable(values.ts2010Folder));
    settings.writeString(OpenWithSection, Ts12Key, storable(values.ts12Folder));
    settings.writeString(MruSection, CurrentDirKey, storable(values.assetFolder));
    settings.writeInteger(PositionSection, LeftKey, values.position.x());
    settings.writeInteger(PositionSection, TopKey, values.position.y());
    settings.writeString(QStringLiteral("Program"), QStringLiteral("Version"),
                         QStringLiteral("1.03"));
    settings.updateFile();
}

QString settingsFileName(const QString& executablePath) {
    qsizetype separator = executablePath.lastIndexOf(QLatin1Char('/'));
#ifdef Q_OS_WIN
    separator = std::max(separator, executablePath.lastIndexOf(QLatin1Char('\\')));
#endif
    const qsizetype dot = executablePath.lastIndexOf(QLatin1Char('.'));
    const QLatin1String extension(".ini");
    if (dot > separator)
        return executablePath.left(dot) + extension;
    return executablePath + extension;
}

QString locateSettingsFile(const QString& executablePath) {
    const QString besideProgram = settingsFileName(executablePath);
    const QFileInfo info(besideProgram);
    if (info.exists() || folderWritable(info.absolutePath()))
        return besideProgram;
    const QString configFolder =
        QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    if (configFolder.isEmpty())
        return besideProgram;
    return configFolder + QLatin1Char('/') + info.fileName();
}

} // namespace ws
