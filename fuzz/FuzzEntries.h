// A folder listing made from a fuzz input, for the harnesses of the sound-set naming rules:
// one entry per line ('\n'), at most 64; a line ending in "/" is a folder, "a/b" is the entry
// b inside the folder a (one level down, deeper parts are ignored). NUL bytes are dropped,
// names are cut to 48 characters, and "." and ".." are left out. A name that equals an
// earlier one of its folder without regard to letter case is left out too: for such pairs
// the program's choice of "the first entry" depends on letter case by design, and the
// harnesses check that nothing else does.
#pragma once

#include "FuzzCheck.h"

#include <QFile>
#include <QString>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

namespace ws::fuzz {

struct Entry {
    QString name;
    bool folder = false;
    std::vector<Entry> children;
};

inline constexpr std::size_t MaxEntries = 64;
inline constexpr qsizetype MaxNameLength = 48;

// Equal without regard to letter case, by either of the comparisons the program uses.
inline bool sameName(const QString& a, const QString& b) {
    return a.toCaseFolded() == b.toCaseFolded() || a.compare(b, Qt::CaseInsensitive) == 0;
}

inline Entry* findEntry(std::vector<Entry>& entries, const QString& name) {
    const auto it = std::find_if(entries.begin(), entries.end(),
                                 [&](const Entry& e) { return sameName(e.name, name); });
    return it == entries.end() ? nullptr : &*it;
}

inline const Entry* findEntry(const std::vector<Entry>& entries, const QString& name) {
    return findEntry(const_cast<std::vector<Entry>&>(entries), name);
}

// The name a part of a line gives, or a null string when it gives none.
inline QString entryName(const std::string& part) {
    std::string bytes;
    for (char c : part)
        if (c != '\0')
            bytes += c;
    QString name = QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
    if (name.size() > MaxNameLength)
        name.truncate(MaxNameLength);
    if (!name.isEmpty() && name.back().isHighSurrogate())
        name.chop(1);
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return QString();
    return name;
}

// Adds the entry unless its folder already holds one of that name; a folder named again
// gathers the new child into the existing one.
inline Entry* addEntry(std::vector<Entry>& entries, const QString& name, bool folder) {
    if (Entry* existing = findEntry(entries, name))
        return existing->folder == folder ? existing : nullptr;
    entries.push_back(Entry{name, folder, {}});
    return &entries.back();
}

// `lines` receives every line's text as given (before any cleaning), for checks on names
// that never become entries.
inline std::vector<Entry> entriesFromInput(const uint8_t* data, size_t size,
                                           std::vector<std::string>* lines = nullptr) {
    std::vector<Entry> entries;
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::size_t start = 0;
    for (std::size_t count = 0; start <= text.size() && count < MaxEntries; ++count) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        const std::string line = text.substr(start, end - start);
        start = end + 1;
        if (lines)
            lines->push_back(line);

        std::vector<std::string> parts;
        std::size_t from = 0;
        for (std::size_t slash; (slash = line.find('/', from)) != std::string::npos;
             from = slash + 1)
            parts.push_back(line.substr(from, slash - from));
        parts.push_back(line.substr(from));

        const QString top = entryName(parts[0]);
        if (top.isNull())
            continue;
        Entry* added = addEntry(entries, top, parts.size() > 1);
        if (!added || parts.size() < 2)
            continue;
        const QString inner = entryName(parts[1]);
        if (!inner.isNull())
            addEntry(added->children, inner, parts.size() > 2);
    }
    return entries;
}

// The name with its letters A to Z and a to z the other way round.
inline QString flippedCase(const QString& name) {
    QString flipped = name;
    for (QChar& c : flipped) {
        const char16_t u = c.unicode();
        if (u >= u'a' && u <= u'z')
            c = QChar(u - u'a' + u'A');
        else if (u >= u'A' && u <= u'Z')
            c = QChar(u - u'A' + u'a');
    }
    return flipped;
}

inline std::filesystem::path entryPath(const std::filesystem::path& folder, const QString& name) {
    return folder / QFile::encodeName(name).toStdString();
}

// Makes the entries in `folder`, empty files and folders, in the listing's order or the
// reverse, names as given or with their letter case flipped.
inline void createEntries(const std::filesystem::path& folder, const std::vector<Entry>& entries,
                          bool flip, bool reverse) {
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const Entry& e = entries[reverse ? entries.size() - 1 - i : i];
        const std::filesystem::path path = entryPath(folder, flip ? flippedCase(e.name) : e.name);
        if (e.folder) {
            std::error_code ec;
            std::filesystem::create_directory(path, ec);
            WS_FUZZ_CHECK(!ec);
            createEntries(path, e.children, flip, reverse);
        } else {
            std::ofstream file(path);
            WS_FUZZ_CHECK(file.good());
        }
    }
}

} // namespace ws::fuzz
