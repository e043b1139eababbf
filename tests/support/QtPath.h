// A file-system path as the QString that the program's own functions take, and QStrings
// shown as text in test failures.
#pragma once

#include <QString>

#include <filesystem>
#include <ostream>

namespace ws::test {

inline QString qpath(const std::filesystem::path& p) {
    return QString::fromStdString(p.string());
}

} // namespace ws::test

// Found by GoogleTest through the argument's namespace, which for QString is the global one.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}
