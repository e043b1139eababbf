// The settings file: an INI-style text file read whole at start-up and written back whole at
// close. Sections and keys are found without regard to letter case; lines the program does
// not know (other sections, other keys, lines without "=") are kept as they were.
#pragma once

#include <QPoint>
#include <QString>
#include <QStringList>
#include <vector>

namespace ws {

class Settings {
public:
    // Loads `fileName` if it exists and can be read; otherwise starts empty.
    explicit Settings(QString fileName);

    const QString& fileName() const { return fileName_; }

    // The stored value, or `defaultValue` when the section or key does not exist. A key
    // stored with an empty value gives the empty string.
    QString readString(const QString& section, const QString& key,
                       const QString& defaultValue) const;

    // The stored value as a decimal integer with an optional sign, or as hexadecimal after
    // "$" or "0x"; `defaultValue` when it is absent or does not convert.
    int readInteger(const QString& section, const QString& key, int defaultValue) const;

    // Change the copy in memory only. A key line that exists is replaced in place (spelled as
    // given here); a new one is added at the end of its section, a new section at the end.
    // Throws std::invalid_argument when any part holds a line break, since that would add
    // lines to the file.
    void writeString(const QString& section, const QString& key, const QString& value);
    void writeInteger(const QString& section, const QString& key, int value);

    // Writes the whole copy to the file, replacing it (creating its folder when needed).
    // The old file stays intact when writing fails, except where no temporary file can be made
    // beside it and the file is rewritten in place; the failure is thrown as
    // std::runtime_error naming the file and the reason.
    void updateFile() const;

private:
    struct Section {
        QString name;
        QStringList lines;
    };

    const Section* findSection(const QString& name) const;
    Section* findSection(const QString& name);
    void load();

    QString fileName_;
    std::vector<Section> sections_;
};

// What the program remembers between runs, as the window holds it at close.
struct RememberedSettings {
    QString ts2009Folder; // the simulator folders of the Open-With installer
    QString ts2010Folder;
    QString ts12Folder;
    QString assetFolder; // the recent asset folder, with its trailing separator
    QPoint position;     // the main window's top-left corner
};

// The remembered values of `settings`; where one is absent, that of a first run: no simulator
// folders, the asset folder "NotFound", the window at 200, 150.
RememberedSettings loadSettings(const Settings& settings);

// Copies `values` into `settings` in the file's order, the program's version last, and writes
// the file (throwing as updateFile does). A folder holding a line break is written empty.
void saveSettings(Settings& settings, const RememberedSettings& values);

// The executable's path with its extension replaced by ".ini" (everything from the last "."
// of the file name on); a file name without a dot gets ".ini" appended.
QString settingsFileName(const QString& executablePath);

// Where the settings live: beside the executable, unless that file does not exist and its
// folder cannot be written, in which case the user's configuration folder holds a file of
// the same name.
QString locateSettingsFile(const QString& executablePath);

} // namespace ws
