// An asset folder on disk; see AssetFolder.h.
#include "AssetFolder.h"

#include <QFile>
#include <QStringDecoder>

#include <algorithm>
#include <system_error>

#ifdef __linux__
#include <fcntl.h>
#include <unistd.h>
#endif

namespace ws::check {

namespace fs = std::filesystem;

namespace {

bool isWaveName(const std::string& name) {
    if (name.size() < 4)
        return false;
    std::string ext = name.substr(name.size() - 4);
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    return ext == ".wav";
}

std::string bytesOf(const fs::path& path) {
    return path.string();
}

} // namespace

QString displayName(const std::string& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8.decode(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
    return utf8.hasError() ? QString::fromLatin1(bytes.data(), qsizetype(bytes.size())) : text;
}

EntryKind entryKind(const std::string& native) {
    std::error_code ec;
    const fs::file_status target = fs::status(native, ec);
    if (fs::is_regular_file(target))
        return EntryKind::Regular;
    if (!fs::exists(target) && fs::is_symlink(fs::symlink_status(native, ec)))
        return EntryKind::Dangling;
    return EntryKind::Other;
}

QString entryKindText(const std::string& native) {
    std::error_code ec;
    const fs::file_status target = fs::status(native, ec);
    switch (target.type()) {
    case fs::file_type::not_found:
        return fs::is_symlink(fs::symlink_status(native, ec))
                   ? QStringLiteral("is a link to nothing: \"%1\" does not exist")
                         .arg(displayName(fs::read_symlink(native, ec).string()))
                   : QStringLiteral("has vanished");
    case fs::file_type::directory:
        return QStringLiteral("is a folder");
    case fs::file_type::fifo:
        return QStringLiteral("is a pipe (FIFO), not a file");
    case fs::file_type::character:
    case fs::file_type::block:
        return QStringLiteral("is a device, not a file");
    case fs::file_type::socket:
        return QStringLiteral("is a socket, not a file");
    default:
        return QStringLiteral("is not a regular file");
    }
}

AssetFolder::AssetFolder(const fs::path& folder) {
    std::error_code ec;
    native_ = fs::absolute(folder, ec).lexically_normal();
    if (ec)
        native_ = folder;
    std::string bytes = bytesOf(native_);
    while (bytes.size() > 1 && bytes.back() == '/')
        bytes.pop_back();
    native_ = bytes;
    display_ = displayName(bytes);
    isFolder_ = fs::is_directory(native_, ec);
    if (!isFolder_)
        return;
    const QString spelled = QFile::decodeName(QByteArray::fromStdString(bytes));
    base_ = spelled;
#ifdef __linux__
    if (QFile::encodeName(spelled).toStdString() != bytes) {
        handle_ = ::open(bytes.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (handle_ >= 0)
            base_ = QStringLiteral("/proc/self/fd/%1").arg(handle_);
    }
#endif
    if (!base_.endsWith(QLatin1Char('/')))
        base_ += QLatin1Char('/');
}

AssetFolder::~AssetFolder() {
#ifdef __linux__
    if (handle_ >= 0)
        ::close(handle_);
#endif
}

std::vector<DiskEntry> AssetFolder::waveFiles() const {
    std::vector<DiskEntry> found;
    const auto list = [&found](const fs::path& dir, const QString& prefix) {
        std::error_code ec;
        for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
            const std::string name = bytesOf(it->path().filename());
            if (!isWaveName(name) || it->is_directory(ec))
                continue;
            const std::string native = bytesOf(it->path());
            found.push_back({prefix + displayName(name), native, entryKind(native)});
        }
    };
    if (!isFolder_)
        return found;
    list(native_, QString());
    std::error_code ec;
    for (fs::directory_iterator it(native_, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = bytesOf(it->path().filename());
        if (it->is_directory(ec) &&
            QString::fromStdString(name).compare(QStringLiteral("horn"), Qt::CaseInsensitive) == 0)
            list(it->path(), displayName(name) + QLatin1Char('/'));
    }
    std::sort(found.begin(), found.end(), [](const DiskEntry& a, const DiskEntry& b) {
        return a.name.compare(b.name, Qt::CaseInsensitive) < 0;
    });
    return found;
}

} // namespace ws::check
