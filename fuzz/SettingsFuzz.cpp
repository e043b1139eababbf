// Fuzzes the settings file. The input up to its first NUL byte is the file as found at
// start-up; after it, NUL-separated, come folder names to remember in place of the loaded
// ones. Whatever the file held, the remembered values must come back from the file that
// saveSettings writes (a folder with a line break written empty, values without the blanks
// and control characters at their ends that a line cannot keep), a second save must write
// that file again byte for byte, and readInteger must convert exactly the texts its
// documentation names.
#include "FuzzCheck.h"
#include "FuzzScratch.h"

#include "shell/Settings.h"

#include <QFile>
#include <QString>

#include <cctype>
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

namespace ws::fuzz {
namespace {

// What a line of the file keeps of a value: all of it but blanks and control characters at
// its ends, or nothing when it would break the line.
QString storedForm(const QString& value) {
    if (value.contains(QLatin1Char('\r')) || value.contains(QLatin1Char('\n')))
        return QString();
    qsizetype begin = 0;
    qsizetype end = value.size();
    while (begin < end && value[begin].unicode() <= 0x20)
        ++begin;
    while (end > begin && value[end - 1].unicode() <= 0x20)
        --end;
    return value.mid(begin, end - begin);
}

// readInteger's conversion as documented: decimal with an optional sign, or hexadecimal (up
// to 32 bits, two's complement) after "$" or "0x"; nothing else.
bool integerModel(const QString& text, int& value) {
    std::string s;
    for (QChar c : text) {
        if (c.unicode() > 0x7F)
            return false;
        s += static_cast<char>(c.unicode());
    }
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X'))
        s = "$" + s.substr(2);
    if (s.starts_with('$')) {
        const std::string hex = s.substr(1);
        if (hex.empty() || hex.size() > 8)
            return false;
        for (char c : hex)
            if (!std::isxdigit(static_cast<unsigned char>(c)))
                return false;
        uint32_t u = 0;
        std::from_chars(hex.data(), hex.data() + hex.size(), u, 16);
        value = static_cast<int>(u);
        return true;
    }
    size_t i = 0;
    const bool negative = s.starts_with('-');
    if (negative || s.starts_with('+'))
        i = 1;
    if (i == s.size())
        return false;
    for (size_t j = i; j < s.size(); ++j)
        if (s[j] < '0' || s[j] > '9')
            return false;
    int64_t magnitude = 0;
    const auto [end, error] = std::from_chars(s.data() + i, s.data() + s.size(), magnitude);
    if (error != std::errc())
        return false;
    const int64_t signedValue = negative ? -magnitude : magnitude;
    if (signedValue < std::numeric_limits<int>::min() ||
        signedValue > std::numeric_limits<int>::max())
        return false;
    value = static_cast<int>(signedValue);
    return true;
}

void checkInteger(const Settings& settings, const QString& section, const QString& key) {
    const QString text = settings.readString(section, key, QString());
    // Two different defaults tell a stored value from a default.
    const int a = settings.readInteger(section, key, 17);
    const int b = settings.readInteger(section, key, -4);
    int value = 0;
    if (integerModel(text, value))
        WS_FUZZ_CHECK(a == value && b == value);
    else
        WS_FUZZ_CHECK(a == 17 && b == -4);
}

bool sameValues(const RememberedSettings& a, const RememberedSettings& b) {
    return a.ts2009Folder == b.ts2009Folder && a.ts2010Folder == b.ts2010Folder &&
           a.ts12Folder == b.ts12Folder && a.assetFolder == b.assetFolder &&
           a.position == b.position;
}

QByteArray fileBytes(const QString& fileName) {
    QFile file(fileName);
    WS_FUZZ_CHECK(file.open(QIODevice::ReadOnly));
    return file.readAll();
}

ScratchFolder& scratch() {
    static ScratchFolder folder("settings");
    return folder;
}

} // namespace
} // namespace ws::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace ws;
    using namespace ws::fuzz;
    const std::string input(reinterpret_cast<const char*>(data), size);
    const size_t cut = std::min(input.find('\0'), input.size());
    std::vector<QString> given;
    for (size_t from = cut + 1; from <= input.size() && given.size() < 4;) {
        size_t to = std::min(input.find('\0', from), input.size());
        given.push_back(QString::fromUtf8(input.data() + from, static_cast<qsizetype>(to - from)));
        from = to + 1;
    }

    const std::filesystem::path folder = scratch().emptied();
    writeFile(folder / "whistlestop.ini", data, cut);
    const QString fileName = QFile::decodeName((folder / "whistlestop.ini").c_str());

    Settings found(fileName);
    // The integers the program reads, and texts of other keys, where the input may put anything.
    checkInteger(found, QStringLiteral("Position"), QStringLiteral("Left"));
    checkInteger(found, QStringLiteral("Position"), QStringLiteral("Top"));
    checkInteger(found, QStringLiteral("MRU"), QStringLiteral("current_dir"));
    RememberedSettings values = loadSettings(found);
    QString* folders[] = {&values.ts2009Folder, &values.ts2010Folder, &values.ts12Folder,
                          &values.assetFolder};
    for (const QString* f : folders)
        WS_FUZZ_CHECK(f->isNull() || storedForm(*f) == *f);
    InputRandom random(data, size);
    for (size_t i = 0; i < given.size(); ++i)
        *folders[i] = given[i];
    if (!given.empty())
        values.position = QPoint(static_cast<int>(random.next()), static_cast<int>(random.next()));

    try {
        saveSettings(found, values);
        const Settings saved(fileName);
        RememberedSettings expected = values;
        for (QString* f : {&expected.ts2009Folder, &expected.ts2010Folder, &expected.ts12Folder,
                           &expected.assetFolder})
            *f = storedForm(*f);
        const RememberedSettings reloaded = loadSettings(saved);
        WS_FUZZ_CHECK(sameValues(reloaded, expected));

        Settings again(fileName);
        saveSettings(again, reloaded);
        const QByteArray first = fileBytes(fileName);
        Settings third(fileName);
        saveSettings(third, loadSettings(third));
        WS_FUZZ_CHECK(fileBytes(fileName) == first);
    } catch (const std::runtime_error& e) {
        // The scratch folder is always writable: a failure here is a fault.
        std::fprintf(stderr, "%s\n", e.what());
        WS_FUZZ_CHECK(!"the settings file could not be written");
    }
    return 0;
}
