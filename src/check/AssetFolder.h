// An asset folder as the file system holds it. Sets unpacked from old Windows archives carry
// names whose bytes are not UTF-8; they are listed and opened by their bytes as found, and
// shown with such bytes read as Latin-1. Entries that are not regular files (a FIFO, a link
// to a device, a link to nothing) are told apart, since opening one could wait for ever.
#pragma once

#include <QString>

#include <filesystem>
#include <string>
#include <vector>

namespace ws::check {

enum class EntryKind { Regular, Dangling, Other };

struct DiskEntry {
    QString name;       // relative to the folder, "/" between components, for the report
    std::string native; // the path to open, as the file system spells it
    EntryKind kind = EntryKind::Regular;
};

// A name's bytes as text: UTF-8 where they are valid UTF-8, else Latin-1.
QString displayName(const std::string& bytes);

EntryKind entryKind(const std::string& native);
// What an entry that is not a regular file is, for a finding: "is a link to nothing".
QString entryKindText(const std::string& native);

class AssetFolder {
public:
    explicit AssetFolder(const std::filesystem::path& folder);
    ~AssetFolder();
    AssetFolder(const AssetFolder&) = delete;
    AssetFolder& operator=(const AssetFolder&) = delete;

    bool isFolder() const { return isFolder_; }
    // The absolute folder for the report.
    const QString& display() const { return display_; }
    // The folder as a path for Qt and the player's naming rules, ending in "/". Where the
    // folder's own name cannot be spelled in a QString, a path through the process's open
    // handle to it stands in.
    const QString& base() const { return base_; }

    // The wave files of the folder and of its "horn" subfolder, by name, letter case ignored.
    std::vector<DiskEntry> waveFiles() const;

private:
    std::filesystem::path native_;
    QString display_;
    QString base_;
    bool isFolder_ = false;
    int handle_ = -1; // open while the folder is reached through it
};

} // namespace ws::check
