// Finding asset folders and checking many of them; see Library.h.
#include "Library.h"

#include "AssetFolder.h"
#include "ConfigCheck.h"
#include "ConfigTxt.h"
#include "sim/SoundAsset.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <unordered_set>

namespace ws::check {

namespace fs = std::filesystem;

namespace {

QString joined(const QString& root, const QString& relative) {
    if (relative.isEmpty())
        return root;
    return root.endsWith(QLatin1Char('/')) ? root + relative : root + QLatin1Char('/') + relative;
}

// True when the config.txt says kind "enginesound". A config that does not parse is still
// looked at line by line, since a broken config is what its author wants to hear about.
bool configSaysEngineSound(const std::string& native) {
    const ConfigFile read = readConfigFile(native);
    if (read.parsed.config)
        return read.parsed.config->kind.compare(QLatin1String("enginesound"),
                                                Qt::CaseInsensitive) == 0;
    if (!read.unreadable.isEmpty())
        return false;
    QFile file(QFile::decodeName(QByteArray::fromStdString(native)));
    if (!file.open(QIODevice::ReadOnly))
        return false;
    static const QRegularExpression kindLine(QStringLiteral("^\\s*kind\\s+\"?enginesound\\b"),
                                             QRegularExpression::CaseInsensitiveOption |
                                                 QRegularExpression::MultilineOption);
    return kindLine.match(QString::fromUtf8(file.read(MaxConfigBytes))).hasMatch();
}

// What one listing of a folder tells: its subfolders by name (links to folders included),
// and whether it may hold a sound set at all (a wave file, a config.txt or the "horn"
// subfolder of a three-part horn), so that the naming rules, which search the folder
// many times, are tried only where they can match.
struct Listing {
    std::vector<fs::path> folders;
    bool maybeAsset = false;
};

// The listing, or the reason the folder cannot be listed.
std::optional<QString> list(const fs::path& folder, Listing& listing) {
    std::error_code error;
    fs::directory_iterator entry(folder, error);
    for (; !error && entry != fs::directory_iterator(); entry.increment(error)) {
        const QString name = displayName(entry->path().filename().string());
        std::error_code typeError;
        if (entry->is_directory(typeError)) {
            listing.folders.push_back(entry->path().filename());
            listing.maybeAsset |= name.compare(QLatin1String("horn"), Qt::CaseInsensitive) == 0;
        } else {
            listing.maybeAsset |=
                name.endsWith(QLatin1String(".wav"), Qt::CaseInsensitive) ||
                name.compare(QLatin1String("config.txt"), Qt::CaseInsensitive) == 0;
        }
    }
    if (error)
        return QString::fromStdString(error.message());
    std::sort(listing.folders.begin(), listing.folders.end(),
              [](const fs::path& a, const fs::path& b) {
                  const int folded =
                      displayName(a.string()).compare(displayName(b.string()), Qt::CaseInsensitive);
                  return folded != 0 ? folded < 0 : a < b;
              });
    return std::nullopt;
}

// Hands out folder numbers to the workers and their reports back in order. The workers may
// run at most `window_` numbers ahead of the oldest report not yet handed on.
class OrderedChecks {
public:
    explicit OrderedChecks(const LibraryRun& run)
        : run_(run), window_(run.window > 0 ? run.window : 4 * std::size_t(run.workers)),
          slots_(window_) {}

    ~OrderedChecks() {
        {
            std::lock_guard lock(mutex_);
            stop_ = true;
        }
        slotFreed_.notify_all();
        threads_.clear(); // joins
    }

    void run() {
        const int workers = std::max(1, run_.workers);
        for (int i = 0; i < workers; ++i)
            threads_.emplace_back([this] { work(); });
        std::size_t shown = 0;
        std::unique_lock lock(mutex_);
        while (delivered_ < run_.count) {
            reportDone_.wait(lock, [&] {
                return failure_ || slots_[delivered_ % window_] || finished_ != shown;
            });
            if (failure_)
                std::rethrow_exception(failure_);
            if (finished_ != shown && run_.progress) {
                shown = finished_;
                lock.unlock();
                run_.progress(shown);
                lock.lock();
            }
            shown = finished_;
            std::optional<AssetReport>& slot = slots_[delivered_ % window_];
            if (!slot)
                continue;
            AssetReport report = std::move(*slot);
            slot.reset();
            const std::size_t index = delivered_;
            lock.unlock();
            if (run_.done)
                run_.done(index, report);
            lock.lock();
            ++delivered_;
            slotFreed_.notify_all();
        }
    }

private:
    void work() {
        std::unique_lock lock(mutex_);
        for (;;) {
            slotFreed_.wait(
                lock, [&] { return stop_ || next_ >= run_.count || next_ < delivered_ + window_; });
            if (stop_ || next_ >= run_.count)
                return;
            const std::size_t index = next_++;
            lock.unlock();
            std::optional<AssetReport> report;
            std::exception_ptr failure;
            try {
                report = run_.check(index);
            } catch (...) {
                failure = std::current_exception();
            }
            lock.lock();
            if (failure && !failure_)
                failure_ = failure;
            if (report)
                slots_[index % window_] = std::move(report);
            ++finished_;
            reportDone_.notify_one();
        }
    }

    const LibraryRun& run_;
    const std::size_t window_;
    // Shared between the workers and the calling thread, all guarded by mutex_.
    std::mutex mutex_;
    std::condition_variable slotFreed_;             // a report was handed on, or the run stops
    std::condition_variable reportDone_;            // a worker finished a check
    std::vector<std::optional<AssetReport>> slots_; // report i in slot i % window_
    std::size_t next_ = 0;                          // the next folder a worker takes
    std::size_t finished_ = 0;                      // checks finished
    std::size_t delivered_ = 0;                     // reports handed on
    bool stop_ = false;
    std::exception_ptr failure_; // the first check that threw
    // Declared last: destroyed (joined) first, while the state above still exists.
    std::vector<std::jthread> threads_;
};

} // namespace

bool isAssetFolder(const fs::path& folder) {
    const AssetFolder disk(folder);
    if (!disk.isFolder())
        return false;
    const QString config = assetFilePath(disk.base(), QStringLiteral("config.txt"));
    if (!config.isNull() && configSaysEngineSound(QFile::encodeName(config).toStdString()))
        return true;
    return classifySoundAsset(disk.base()).soundType != SoundTypeNone;
}

std::vector<FoundFolder> findAssetFolders(const fs::path& root, const FindCallbacks& callbacks) {
    std::vector<FoundFolder> found;
    const QString shownRoot = displayName(root.string());
    std::error_code error;
    if (!fs::is_directory(root, error)) {
        found.push_back({root, shownRoot, QString()});
        return found;
    }
    // Folders already looked at, by their real path, so a link is followed once and a link
    // back up the tree ends there.
    std::unordered_set<fs::path::string_type> visited;
    std::vector<fs::path> pending{fs::path()}; // relative paths, the next one last
    std::size_t looked = 0;
    while (!pending.empty()) {
        const fs::path relative = std::move(pending.back());
        pending.pop_back();
        const fs::path native = relative.empty() ? root : root / relative;
        const QString shownRelative = displayName(relative.generic_string());
        const QString path = joined(shownRoot, shownRelative);
        const fs::path real = fs::canonical(native, error);
        if (!error && !visited.insert(real.native()).second)
            continue;
        ++looked;
        Listing listing;
        if (const std::optional<QString> why = list(native, listing)) {
            if (callbacks.skipped)
                callbacks.skipped(path, *why);
        } else if (listing.maybeAsset && isAssetFolder(native)) {
            found.push_back({native, path, shownRelative});
        } else {
            const std::vector<fs::path>& names = listing.folders;
            for (auto name = names.rbegin(); name != names.rend(); ++name)
                pending.push_back(relative.empty() ? *name : relative / *name);
        }
        if (callbacks.progress)
            callbacks.progress(looked, found.size());
    }
    return found;
}

int defaultWorkers() {
    return int(std::max(1u, std::thread::hardware_concurrency()));
}

void checkLibrary(const LibraryRun& run) {
    if (run.count == 0)
        return;
    OrderedChecks checks(run);
    checks.run();
}

} // namespace ws::check
