// Fuzzes the mapping of the drive-letter paths Wine hands the program on its command line.
// The input is the argument, in a scratch Wine prefix whose C: holds a small simulator
// folder and whose Z: is the root folder; D: is a dangling link and E: a link to a file, so
// neither maps. A path that is not a drive path, or names a drive that does not map, must
// come back unchanged; a mapped one must be an absolute, clean path below its drive's root,
// the same for either case of the letter, and lead back to itself through its Z: name when
// it exists.
#include "FuzzCheck.h"
#include "FuzzScratch.h"

#include "shell/WinePaths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace ws::fuzz {
namespace {

constexpr std::ptrdiff_t MaxArgument = 512;

class WinePrefix {
public:
    WinePrefix() : scratch_("drive-path") {
        namespace fs = std::filesystem;
        const fs::path prefix = scratch_.path();
        const fs::path c = prefix / "drive_c";
        for (const char* folder :
             {"Program Files/Auran/TS12/UserData", "Program Files (x86)/N3V Games/TANE",
              "users/Public/Documents", "MiXeD Case/Sub Folder", "mixed case"})
            fs::create_directories(c / folder);
        std::ofstream(c / "Program Files/Auran/TS12/trainz.exe").put('x');
        std::ofstream(c / "ReadMe.TXT").put('x');
        fs::create_directories(prefix / "dosdevices");
        fs::create_directory_symlink("../drive_c", prefix / "dosdevices/c:");
        fs::create_directory_symlink("/", prefix / "dosdevices/z:");
        fs::create_directory_symlink("../missing", prefix / "dosdevices/d:");
        fs::create_symlink("../drive_c/ReadMe.TXT", prefix / "dosdevices/e:");
        WS_FUZZ_CHECK(setenv("WINEPREFIX", prefix.c_str(), 1) == 0);
        driveC_ = QFileInfo(QFile::decodeName(c.c_str())).canonicalFilePath();
    }
    // The links go first, by name: the scratch folder's removal must never reach what they
    // point to.
    ~WinePrefix() {
        std::error_code ec;
        for (const char* link : {"c:", "z:", "d:", "e:"})
            std::filesystem::remove(scratch_.path() / "dosdevices" / link, ec);
    }
    WinePrefix(const WinePrefix&) = delete;
    WinePrefix& operator=(const WinePrefix&) = delete;

    // The canonical root of a mapped drive, or a null string.
    QString root(QChar letter) const {
        const char16_t l = letter.toLower().unicode();
        if (l == u'c')
            return driveC_;
        if (l == u'z')
            return QStringLiteral("/");
        return QString();
    }

private:
    ScratchFolder scratch_;
    QString driveC_;
};

bool below(const QString& path, const QString& root) {
    if (root == QLatin1String("/"))
        return path.startsWith(QLatin1Char('/'));
    return path == root || path.startsWith(root + QLatin1Char('/'));
}

QChar otherCase(QChar letter) {
    return letter.isUpper() ? letter.toLower() : letter.toUpper();
}

} // namespace
} // namespace ws::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace ws;
    using namespace ws::fuzz;
    static const WinePrefix prefix;
    // A command-line argument ends at its first NUL.
    const auto* text = reinterpret_cast<const char*>(data);
    const std::ptrdiff_t length = std::min(std::find(text, text + size, '\0') - text, MaxArgument);
    const QString argument = QString::fromUtf8(text, static_cast<qsizetype>(length));
    const QString mapped = nativeFromDrivePath(argument);
    WS_FUZZ_CHECK(mapped == nativeFromDrivePath(argument));
    if (!isDrivePath(argument)) {
        WS_FUZZ_CHECK(mapped == argument);
        return 0;
    }
    const QString root = prefix.root(argument[0]);
    if (root.isNull()) {
        WS_FUZZ_CHECK(mapped == argument);
        return 0;
    }
    WS_FUZZ_CHECK(QDir::isAbsolutePath(mapped) && mapped == QDir::cleanPath(mapped));
    WS_FUZZ_CHECK(below(mapped, root));

    QString otherLetter = argument;
    otherLetter[0] = otherCase(argument[0]);
    WS_FUZZ_CHECK(nativeFromDrivePath(otherLetter) == mapped);

    // A backslash in a native name is a separator to Windows: no Z: name reaches that file.
    if (QFileInfo::exists(mapped) && !mapped.contains(QLatin1Char('\\')))
        WS_FUZZ_CHECK(nativeFromDrivePath(wineNameOf(mapped)) == mapped);
    return 0;
}
