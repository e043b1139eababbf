// Path helpers of the shell, by text alone (no file-system access): the trailing-separator
// rule, the last name of a folder path, and the extension test of the command line.
// The separators are the platform's: "/" on Linux (where a backslash is an ordinary
// file-name character), "\" and "/" on Windows, where ":" also ends a drive name.
#pragma once

#include <QString>

namespace ws {

// True for a character that separates path components on this platform.
bool isPathSeparator(QChar c);
// The separator the program appends to asset folders.
QChar folderSeparator();

// Path without its one trailing separator; a path of one character, or one that does not
// end in a separator, is returned unchanged. Exactly one character is removed.
QString stripTrailingDelimiter(const QString& path);

// Everything after the last separator (or drive colon on Windows).
QString lastName(const QString& path);

// The extension, from the last "." after the last separator, lower-cased (A to Z only);
// empty when there is none.
QString lowerExtension(const QString& path);

// Turns the platform's alternative separators into the one the program uses.
QString toFolderSeparators(QString path);

} // namespace ws
